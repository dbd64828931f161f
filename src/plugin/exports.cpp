// The six functions of the plug-in boundary (plugin/kdplugin.h). They are the
// only symbols KdPlugin.so exports; everything else is hidden. No exception
// leaves them: a failure is a 0 result.

#include <dlfcn.h>

#include <string>

#include "plugin/album_writer.h"
#include "plugin/color_sample.h"
#include "plugin/kdplugin.h"
#include "plugin/plugin_texts.h"

#define KD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// True when module is the handle under which this very shared object was
// loaded. Opening our own file again with RTLD_NOLOAD gives that same handle
// without loading anything and without touching the handle we were given, so
// a stale or foreign handle is answered with false, never dereferenced.
bool isThisPlugin(void* module) {
    if (!module) return false;
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&GetPluginTitle), &info) || !info.dli_fname) return false;
    void* self = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!self) return false;
    dlclose(self);  // drops the reference this look-up added
    return self == module;
}

}  // namespace

KD_EXPORT int32_t GetPluginTitle(void* module, uint8_t* buffer) {
    if (!isThisPlugin(module)) return 0;
    return lumbrel::plugin::writeNameList(lumbrel::plugin::kTemplateTitles, buffer);
}

KD_EXPORT int32_t GetColorPattern(void* module, uint8_t* buffer) {
    if (!isThisPlugin(module)) return 0;
    return lumbrel::plugin::writeNameList(lumbrel::plugin::kPatternNames, buffer);
}

KD_EXPORT int32_t GetTemplateSummary(int32_t templateIndex, uint8_t* buffer) {
    return lumbrel::plugin::writeTemplateSummary(templateIndex, buffer);
}

KD_EXPORT int32_t GetTemplateColorSample(int32_t patternIndex, uint8_t* buffer) {
    return lumbrel::plugin::writeColorSample(patternIndex, buffer, true);
}

KD_EXPORT int32_t GetTemplateColorSampleDIB(int32_t patternIndex, uint8_t* buffer) {
    return lumbrel::plugin::writeColorSample(patternIndex, buffer, false);
}

KD_EXPORT int32_t MakeHtmlFile(const char* libraryPath, const char* const* imagePaths, int32_t imageCount,
                               int32_t templateIndex, int32_t patternIndex, int32_t printButton,
                               int32_t mailSizeCode, const char* mailName) {
    if (!libraryPath || !mailName || imageCount < 0 || (imageCount > 0 && !imagePaths)) return 0;
    try {
        lumbrel::plugin::AlbumRequest request;
        request.libraryPath = libraryPath;
        request.imagePaths.reserve(static_cast<std::size_t>(imageCount));
        for (int32_t i = 0; i < imageCount; ++i) {
            if (!imagePaths[i]) return 0;
            request.imagePaths.emplace_back(imagePaths[i]);
        }
        request.templateIndex = templateIndex;
        request.patternIndex = patternIndex;
        request.printButton = printButton;
        request.mailSizeCode = mailSizeCode;
        request.mailName = mailName;
        return lumbrel::plugin::writeAlbum(request) ? 1 : 0;
    } catch (...) {
        return 0;  // out of memory: nothing may unwind into the host
    }
}
