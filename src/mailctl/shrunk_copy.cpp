#include "mailctl/shrunk_copy.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/imaging.h"
#include "platform/files.h"

namespace lumbrel::mailctl {
namespace {

// Camera pictures are a few megabytes; a larger file is not read whole.
constexpr std::size_t kMaxSourceBytes = 256u << 20;

std::pair<int, int> fitLarge(int width, int height) {
    return fittedSize(width, height, boxOf(0)).value_or(std::pair{width, height});
}
std::pair<int, int> fitSmall(int width, int height) {
    return fittedSize(width, height, boxOf(1)).value_or(std::pair{width, height});
}

// A folder of our own under $TMPDIR (default /tmp); empty when none can be made.
std::string privateFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = platform::joinPath(base && *base == '/' ? base : "/tmp", "lumbrel-mail-XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) return {};
    return buffer.data();
}

}  // namespace

std::pair<int, int> boxOf(int sizeCode) { return sizeCode == 0 ? std::pair{640, 480} : std::pair{320, 240}; }

std::optional<std::pair<int, int>> fittedSize(int width, int height, std::pair<int, int> box) {
    const auto [boxWidth, boxHeight] = box;
    if (width <= 0 || height <= 0 || (width <= boxWidth && height <= boxHeight)) return std::nullopt;
    const std::int64_t w = width, h = height;
    // Wider than 4:3, compared exactly: with H < W * 3 / 4 in integers a
    // 641 x 480 picture would count as 4:3 and come out 641 x 480, outside
    // the box.
    if (h * 4 < w * 3) return std::pair{boxWidth, static_cast<int>(std::max<std::int64_t>(1, h * boxWidth / w))};
    return std::pair{static_cast<int>(std::max<std::int64_t>(1, w * boxHeight / h)), boxHeight};
}

ShrunkCopy::ShrunkCopy(const std::string& imagePath, const std::string& fileName) {
    const std::string name(platform::lastComponent(fileName));
    if (name.empty()) return;
    const std::string tmp = platform::joinPath(imagePath, "tmp");
    if (!platform::exists(tmp) && platform::makeDirectory(tmp)) {
        folder_ = tmp;
        madeFolder_ = true;
    } else if (platform::isDirectory(tmp) && !platform::exists(platform::joinPath(tmp, name))) {
        folder_ = tmp;
    } else if (std::string own = privateFolder(); !own.empty()) {
        folder_ = std::move(own);
        madeFolder_ = true;
    } else {
        return;
    }
    file_ = platform::joinPath(folder_, name);
}

ShrunkCopy::~ShrunkCopy() {
    if (written_) platform::deleteFile(file_);
    if (madeFolder_) platform::removeDirectory(folder_);
}

std::function<void()> ShrunkCopy::release() {
    const std::string file = written_ ? file_ : std::string(), folder = madeFolder_ ? folder_ : std::string();
    written_ = madeFolder_ = false;
    return [file, folder] {
        if (!file.empty()) platform::deleteFile(file);
        if (!folder.empty()) platform::removeDirectory(folder);
    };
}

bool ShrunkCopy::write(const std::string& source, std::pair<int, int> box) {
    if (file_.empty() || written_) return false;
    const auto bytes = platform::readFile(source, kMaxSourceBytes);
    if (!bytes) return false;
    const auto size = media::jpegSize(*bytes);
    if (!size || !fittedSize(size->first, size->second, box)) return false;
    const media::TargetSizeRule rule = box == boxOf(0) ? fitLarge : fitSmall;
    const auto image = media::loadJpegResized(*bytes, rule);
    if (!image || !media::saveJpeg(*image, file_, 75)) return false;
    written_ = true;
    return true;
}

}  // namespace lumbrel::mailctl
