#pragma once
// A shared object opened with dlopen for as long as the object lives, and
// typed look-ups of its C functions (the controls' tests).

#include <dlfcn.h>

namespace lumbrel::test {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* path) : handle(::dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedLibrary() {
        if (handle) ::dlclose(handle);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    /// The function name as Fn; null when the library or the name is missing.
    template <typename Fn>
    Fn get(const char* name) const {
        return handle ? reinterpret_cast<Fn>(::dlsym(handle, name)) : nullptr;
    }

    void* const handle;
};

}  // namespace lumbrel::test
