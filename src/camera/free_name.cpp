#include "camera/free_name.h"

#include <cstdio>
#include <cstring>

#include "camera/recording_time.h"
#include "platform/files.h"

namespace lumbrel::camera {
namespace {

// Far more than any card holds pictures of one name; ends the search on a
// folder that cannot be listed properly.
constexpr int kMaxCandidates = 100000;
// The longest file name the file systems here take, in bytes.
constexpr std::size_t kMaxNameBytes = 255;

// The first bytes of text, at most limit, never splitting a UTF-8 character.
std::string_view cutToFit(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

std::string candidateName(std::string_view name, int n) {
    const std::size_t cut = name.rfind('_');
    const std::string base(cut != std::string_view::npos ? name.substr(0, cut)
                                                         : name.substr(0, name.size() < 4 ? 0 : name.size() - 4));
    std::string extension(name.size() < 4 ? name : name.substr(name.size() - 4));
    for (char& c : extension)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char number[16];
    std::snprintf(number, sizeof number, "%d", n);
    // A name that is long already gets a shorter stem, so that the number
    // and the extension still fit.
    const std::size_t tail = 1 + std::strlen(number) + extension.size();
    const std::string_view stem = cutToFit(base, tail < kMaxNameBytes ? kMaxNameBytes - tail : 0);
    return std::string(stem) + "_" + number + extension;
}

FreeName findFreeName(const std::string& folder, std::string_view name, std::string_view incomingTime) {
    std::string path = platform::joinPath(folder, name);
    for (int n = 1; n <= kMaxCandidates; ++n) {
        if (!platform::exists(path)) return {path, false};
        if (!incomingTime.empty() && recordingTime(path) == incomingTime) return {path, true};
        path = platform::joinPath(folder, candidateName(name, n));
    }
    return {};
}

}  // namespace lumbrel::camera
