#include "camera/recording_time.h"

#include <ctime>

#include "media/jpeg_date.h"
#include "media/preview.h"
#include "platform/files.h"

namespace lumbrel::camera {

std::optional<std::string> embeddedDate(const std::string& path) {
    if (media::isMovieName(path)) return std::nullopt;
    return media::readRecordingDateFile(path);
}

std::optional<std::string> fileTimeText(const std::string& path) {
    const auto ns = platform::lastWriteTime(path);
    if (!ns) return std::nullopt;
    std::int64_t seconds = *ns / 1'000'000'000;
    if (*ns % 1'000'000'000 < 0) --seconds;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::nullopt;
    char text[64];
    if (std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &tm) == 0) return std::nullopt;
    return std::string(text);
}

std::string recordingTime(const std::string& path) {
    if (auto date = embeddedDate(path)) return *date;
    return fileTimeText(path).value_or(std::string());
}

bool isPlausibleFileTime(std::string_view time) {
    return time.size() == 14 && time >= "19900101000001" && time <= "20380118000001";
}

}  // namespace lumbrel::camera
