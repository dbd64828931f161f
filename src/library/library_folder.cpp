#include "library/library_folder.h"

#include <algorithm>

#include "library/library_key.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::library {

namespace {

using platform::endsWithNoCase;
using platform::joinPath;

void addPreviewsOf(const std::string& folder, std::vector<std::string>& list) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return;
    const std::string previews = joinPath(folder, kPreviewFolder);
    for (const auto& entry : *entries) {
        if (entry.isDirectory || platform::isDirectory(joinPath(folder, entry.name))) continue;
        std::string candidate = joinPath(previews, entry.name);
        if (endsWithNoCase(entry.name, "AVI")) {
            candidate.replace(candidate.size() - 3, 3, "JPG");
        } else if (endsWithNoCase(entry.name, "LNK")) {
            // x.JPG.LNK: the preview of the link itself, else that of x.JPG.
            if (!platform::exists(candidate) && candidate.size() >= 7) {
                candidate.resize(candidate.size() - 7);
                candidate.append("JPG");
            }
        } else if (!endsWithNoCase(entry.name, "JPG")) {
            continue;
        }
        if (!platform::exists(candidate)) continue;
        const auto at = std::upper_bound(list.begin(), list.end(), candidate, [](const std::string& a, const std::string& b) {
            return platform::compareNoCase(a, b) < 0;
        });
        list.insert(at, std::move(candidate));
    }
}

bool isHtmlFolder(const std::string& name) { return platform::equalNoCase(name, "HTML"); }

void walkPages(const std::string& folder, std::vector<std::string>& list, std::int32_t* bytes) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return;
    for (const auto& entry : *entries) {
        const std::string path = joinPath(folder, entry.name);
        if (entry.isDirectory) continue;
        if (!endsWithNoCase(entry.name, "HTM") && !endsWithNoCase(entry.name, "GIF") &&
            !endsWithNoCase(entry.name, "JS"))
            continue;
        if (bytes) {
            const std::uint64_t size = platform::fileSize(path).value_or(0);
            *bytes = static_cast<std::int32_t>(static_cast<std::uint32_t>(*bytes) + static_cast<std::uint32_t>(size));
        }
        list.push_back(path);
    }
    for (const auto& entry : *entries)
        if (entry.isDirectory) walkPages(joinPath(folder, entry.name), list, bytes);
}

}  // namespace

std::vector<std::string> previewList(const std::string& folder) {
    std::vector<std::string> list;
    if (!isSubfolderKey(platform::lastComponent(folder))) {
        addPreviewsOf(folder, list);
        return list;
    }
    const auto entries = platform::listDirectory(folder);
    if (!entries) return list;
    for (const auto& entry : *entries)
        if (entry.isDirectory && !isHtmlFolder(entry.name)) addPreviewsOf(joinPath(folder, entry.name), list);
    return list;
}

std::vector<std::string> pageFiles(const std::string& folder, std::int32_t* bytes) {
    std::vector<std::string> list;
    const auto entries = platform::listDirectory(folder);
    if (!entries) return list;
    for (const auto& entry : *entries)
        if (entry.isDirectory) walkPages(joinPath(folder, entry.name), list, bytes);
    return list;
}

bool deleteFiles(const std::string& folder) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return false;
    for (const auto& entry : *entries) {
        if (entry.isDirectory) continue;
        const std::string path = joinPath(folder, entry.name);
        if (!platform::deleteFile(path)) return false;
    }
    return true;
}

bool deleteSubfolders(const std::string& folder) {
    const auto entries = platform::listDirectory(folder);
    if (!entries) return false;
    for (const auto& entry : *entries) {
        if (!entry.isDirectory) continue;
        const std::string sub = joinPath(folder, entry.name);
        if (!deleteFiles(sub) || !deleteSubfolders(sub) || !platform::removeDirectory(sub)) return false;
    }
    return true;
}

}  // namespace lumbrel::library
