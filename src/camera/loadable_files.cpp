#include "camera/loadable_files.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::camera {
namespace {

std::string_view trimSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == platform::kSeparator) path.remove_suffix(1);
    return path;
}

bool inRange(std::string_view text, std::string_view low, std::string_view high) {
    return text >= low && text <= high;
}

// The files of folder that pass accept, by name. Folders and anything that is
// not a regular file are never taken.
template <typename Accept>
std::vector<std::string> filesIn(const std::string& folder, Accept accept,
                                 std::vector<std::string>* unreadable = nullptr) {
    std::vector<std::string> files;
    const auto entries = platform::listDirectory(folder);
    if (!entries) {
        if (unreadable) unreadable->push_back(folder);
        return files;
    }
    for (const auto& entry : *entries) {
        if (entry.isDirectory || !accept(entry.name)) continue;
        std::string path = platform::joinPath(folder, entry.name);
        if (platform::isFile(path)) files.push_back(std::move(path));
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

bool isDcimSource(std::string_view folder) {
    return platform::equalNoCase(platform::lastComponent(trimSeparators(folder)), "DCIM");
}

bool isDcfFolderName(std::string_view name) { return inRange(name.substr(0, 3), "100", "999"); }

bool hasImageExtension(std::string_view name) {
    if (name.size() < 3) return false;
    const std::string_view tail = name.substr(name.size() - 3);
    return platform::equalNoCase(tail, "JPG") || platform::equalNoCase(tail, "AVI");
}

bool isDcfFileName(std::string_view name) {
    return hasImageExtension(name) && name.size() > 4 && inRange(name.substr(4, 4), "0001", "9999");
}

std::string destinationName(std::string_view name) {
    std::string out(name);
    const std::size_t dot = out.rfind('.');
    if (dot == std::string::npos) return out;
    for (std::size_t i = dot + 1; i < out.size(); ++i)
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    return out;
}

std::vector<SourceSubfolder> loadableSubfolders(const std::string& source, bool folderMode,
                                                std::vector<std::string>* unreadable) {
    std::vector<SourceSubfolder> out;
    const auto entries = platform::listDirectory(source);
    if (!entries) return out;
    const bool dcim = isDcimSource(source);
    std::vector<std::string> names;
    for (const auto& entry : *entries) {
        if (!entry.isDirectory) continue;
        if (dcim ? !isDcfFolderName(entry.name) : (folderMode && entry.name == "HTML")) continue;
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        SourceSubfolder sub{platform::joinPath(source, name), {}};
        sub.files = filesIn(
            sub.path, [dcim](std::string_view file) { return dcim ? isDcfFileName(file) : hasImageExtension(file); },
            unreadable);
        out.push_back(std::move(sub));
    }
    return out;
}

std::vector<std::string> imageFilesIn(const std::string& folder) {
    return filesIn(folder, [](std::string_view file) { return hasImageExtension(file); });
}

std::size_t countLoadable(const std::vector<std::string>& sources, bool folderMode) {
    std::size_t count = 0;
    for (const std::string& source : sources)
        for (const auto& sub : loadableSubfolders(source, folderMode)) count += sub.files.size();
    return count;
}

}  // namespace lumbrel::camera
