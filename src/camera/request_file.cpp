#include "camera/request_file.h"

#include <algorithm>

#include "camera/drive_list.h"
#include "platform/files.h"

namespace lumbrel::camera {
namespace {

// A request file grows by one line per card inserted while nothing loads; a
// file larger than this is not a request file and is started afresh.
constexpr std::size_t kMaxRequestFile = 1u << 20;

}  // namespace

std::string firstRequestedRoot(std::span<const std::uint8_t> bytes) {
    const auto end = std::find_if(bytes.begin(), bytes.end(),
                                  [](std::uint8_t b) { return b == '\r' || b == '\n' || b == kRequestTerminator; });
    const std::string_view line(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<std::size_t>(end - bytes.begin()));
    if (!line.starts_with('/')) return {};
    return asRoot(line);
}

std::string readRequestedRoot(const std::string& requestFile) {
    const auto bytes = platform::readFile(requestFile, kMaxRequestRead);
    return bytes ? firstRequestedRoot(*bytes) : std::string{};
}

std::vector<std::uint8_t> appendRequest(std::span<const std::uint8_t> existing, std::string_view root) {
    std::vector<std::uint8_t> out(existing.begin(), existing.end());
    if (!out.empty() && out.back() == kRequestTerminator) out.pop_back();
    out.insert(out.end(), root.begin(), root.end());
    out.push_back('\r');
    out.push_back('\n');
    out.push_back(kRequestTerminator);
    return out;
}

bool appendRequestFile(const std::string& path, const std::vector<std::string>& roots) {
    if (roots.empty()) return true;
    std::vector<std::uint8_t> data;
    if (const auto existing = platform::readFile(path, kMaxRequestFile + 1);
        existing && existing->size() <= kMaxRequestFile)
        data = std::move(*existing);
    for (const std::string& root : roots) data = appendRequest(data, root);
    return platform::writeFileAtomic(path, data);
}

}  // namespace lumbrel::camera
