#include "camera/camera_folders.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::camera {
namespace {

// True when folder holds an entry named like the marker file.
bool holdsMarker(const std::string& folder) {
    if (platform::exists(folder + "/" + std::string(kMarkerFile))) return true;
    const auto entries = platform::listDirectory(folder);
    return entries && std::any_of(entries->begin(), entries->end(), [](const platform::DirEntry& e) {
               return platform::equalNoCase(e.name, kMarkerFile);
           });
}

// Upper case of the letters that have a simple one-to-one pair; all of them
// are two-byte characters in UTF-8, as are their upper-case forms.
char32_t upperCase(char32_t c) {
    if (c >= 0xE0 && c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no pair
        const bool lowerIsEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return ((c & 1) == 0) == lowerIsEven ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // final sigma
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

}  // namespace

void insertSorted(std::vector<std::string>& folders, std::string path) {
    const auto greater = std::find_if(folders.begin(), folders.end(), [&](const std::string& entry) {
        return platform::compareNoCase(entry, path) > 0;
    });
    folders.insert(greater, std::move(path));
}

bool scanDrive(const std::string& root, std::vector<std::string>& folders) {
    if (const auto entries = platform::listDirectory(root)) {
        for (const platform::DirEntry& entry : *entries) {
            if (!entry.isDirectory) continue;
            const std::string path = root + entry.name;
            if (platform::equalNoCase(entry.name, "DCIM") || holdsMarker(path)) insertSorted(folders, path);
        }
    }
    return !folders.empty();
}

std::string toUpper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 >= 'a' && b0 <= 'z') {
            out.push_back(static_cast<char>(b0 - 0x20));
            continue;
        }
        if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            if ((b1 & 0xC0) == 0x80) {
                const char32_t upper = upperCase(static_cast<char32_t>(((b0 & 0x1F) << 6) | (b1 & 0x3F)));
                out.push_back(static_cast<char>(0xC0 | (upper >> 6)));
                out.push_back(static_cast<char>(0x80 | (upper & 0x3F)));
                ++i;
                continue;
            }
        }
        out.push_back(static_cast<char>(b0));
    }
    return out;
}

std::string folderDisplayText(std::string_view path) {
    return platform::shortenMiddle(path, 18, path.starts_with('/') ? 2 : 3, 13);
}

}  // namespace lumbrel::camera
