// The data page lines and the scene icon of one album item.

#include "plugin/image_info.h"
#include "plugin/locale_date.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace lumbrel::plugin {

namespace {

using Table = std::span<const std::string_view>;

// The text of a code; codes past the table print "-".
std::string_view pick(Table table, unsigned code) { return code < table.size() ? table[code] : "-"; }

constexpr std::string_view kQuality[] = {"-", "Economy", "Normal", "Fine", "Super Fine"};
constexpr std::string_view kDriveMode[] = {"-", "Single shutter", "Continuous", "AEB", "Movie", "Panorama"};
constexpr std::string_view kShotKind[] = {"-",           "Single shutter", "Continuous",  "Continuous",        "Interval",
                             "Timer",       "",               "Panorama",    "Movie",             "Sport",
                             "Night scene", "Single shutter", "Single shutter", "Multiple exposure", "AEB",
                             "Portrait",    "Landscape",      "Scene select"};
constexpr std::string_view kExposureMode[] = {"-",          "Full Auto",      "Programmed AE", "Shutter priority AE",
                                 "Aperture priority AE", "Manual exposure", "Best Shot"};
constexpr std::string_view kProgram[] = {"-",         "Manual exposure", "Programmed AE", "Aperture priority AE", "Shutter priority AE",
                            "Creative AE", "Action AE",     "Portrait",      "Landscape"};
constexpr std::string_view kMetering[] = {"-", "Average", "Center", "Spot", "Multi", "Matrix", "Partial"};
constexpr std::string_view kFocus[] = {"-", "-", "Macro", "Auto Focus", "Manual Focus", "Infinity", "Multi area AF", "Spot AF"};
constexpr std::string_view kFlashMode[] = {"-", "Auto", "On", "-", "Off", "Red-Eye"};
constexpr std::string_view kSharpness[] = {"Normal", "Soft", "Hard", "", "", "", "", "", "", "", "", "", "", "", "", "",
                              "0",      "+1",   "-1",   "+2", "-2"};
constexpr std::string_view kSaturation[] = {"Std", "Low", "High", "", "", "", "", "", "", "", "", "", "", "", "", "",
                               "0",   "+1",  "-1",   "+2", "-2"};
constexpr std::string_view kMultipleExposure[] = {"-", "Bright", "Dark", "Average"};
constexpr std::string_view kWhiteBalance[] = {"-", "Auto", "Tungsten", "Day Light", "Fluorscnt", "Shade", "Manual"};
constexpr std::string_view kFilter[] = {"-", "Off", "B/W", "Sepia", "Red", "Green", "Blue", "Yellow", "Pink", "Purple"};
constexpr std::string_view kEnhancement[] = {"-", "Off", "Red", "Green", "Blue", "Skin"};
constexpr std::string_view kFlashIntensity[] = {"-", "Std", "Low", "High"};

constexpr std::string_view kIconsA[] = {"UNKNOWN",  "NORMAL",  "CONTINUE", "CONTINUE", "TIMER",    "TIMER",
                                        "UNKNOWN",  "PANORAMA", "MOVIE",   "SPORTS",   "NIGHT",    "NORMAL",
                                        "NORMAL",   "OVERLAP", "AEB_CAPT", "PORTRAIT", "SIGHT",    "SCENE"};
constexpr std::string_view kIconsB[] = {"UNKNOWN", "NORMAL", "CONTINUE", "AEB_CAPT", "MOVIE", "PANORAMA"};

constexpr unsigned kMovie = 8;
constexpr unsigned kMultipleExposureShot = 13;

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, pattern, args...);
    return std::string(text, n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1));
}

// Below 1024 KB the KB count with thousands commas, else MB with one decimal
// rounded from the KB left over (1,023 KB, 1.5 MB, 2.0 MB for 2,047 KB).
std::string fileSize(std::uint32_t kb) {
    if (kb == 0) return "-";
    if (kb < 1024) return kb < 1000 ? format("%u KB", kb) : format("%u,%03u KB", kb / 1000, kb % 1000);
    const unsigned rest = kb % 1024;
    const unsigned whole = kb / 1024 + (rest + 50 >= 1000 ? 1 : 0);
    return format("%u.%u MB", whole, (rest + 50) / 100 % 10);
}

std::string shutter(const ImageInfo& info) {
    const std::uint32_t num = info.shutterNum, den = info.shutterDen;
    if (num == 0 || den == 0) return "-";
    if (num < den) return format("1/%usecond", den / num);
    return num % den == 0 ? format("%useconds", num / den) : format("%.1fseconds", double(num) / den);
}

std::string aperture(const ImageInfo& info) {
    const std::uint64_t num = info.apertureNum, den = info.apertureDen;
    if (num == 0 || den == 0) return "-";
    return format(num * 10 % den == 0 ? "F%.1f" : "F%.2f", double(num) / double(den));
}

std::string exposureBias(const ImageInfo& info) {
    if (info.biasDen == 0) return "-";
    const double ev = double(info.biasNum) / info.biasDen;
    return ev > -0.05 && ev < 0.05 ? "0.0EV" : format("%+.1fEV", ev);
}

std::string flashMode(const ImageInfo& info) {
    const std::string_view mode = pick(kFlashMode, info.maker.flashMode);
    if (mode == "-") return "-";
    return std::string(mode) + ((info.flash & 1) ? "(flashed)" : "(not flashed)");
}

std::string driveMode(const ImageInfo& info) {
    if (info.maker.driveMode != 0) return std::string(pick(kDriveMode, info.maker.driveMode));
    const unsigned code = info.maker.recordingMode;
    return std::string(info.makerData || code == kMovie ? pick(kShotKind, code) : "-");
}

// The mode, then the scene-select number: "(Scene005)", or "(Scene CF001)" for
// the custom scenes numbered from 256.
std::string exposureMode(const MakerSettings& m) {
    std::string text(pick(kExposureMode, m.exposureMode));
    if (m.sceneNumber != 0)
        text += m.sceneNumber >= 256 ? format("(Scene CF%03d)", m.sceneNumber - 256) : format("(Scene%03d)", m.sceneNumber);
    return text;
}

// Upper 16 bits over lower 16 bits; a whole factor when the lower half is 0.
std::string digitalZoom(std::uint32_t zoom) {
    const unsigned upper = zoom >> 16, lower = zoom & 0xFFFF;
    if (upper == 0) return "-";
    return format("x%.1f", lower == 0 ? double(upper) : double(upper) / lower);
}

std::string date(const std::string& digits) {
    if (digits.size() != 14) return "-";
    if (digits.find_first_not_of("0123456789") != std::string::npos) return "-";
    const auto number = [&](std::size_t pos, std::size_t n) {
        int value = 0;
        for (std::size_t i = pos; i < pos + n; ++i) value = value * 10 + (digits[i] - '0');
        return value;
    };
    const std::string day = longDate(number(0, 4), number(4, 2), number(6, 2));
    if (day.empty()) return "-";
    return day + " " + digits.substr(8, 2) + ":" + digits.substr(10, 2) + ":" + digits.substr(12, 2);
}

}  // namespace

std::string_view sceneIcon(const ImageInfo& info) {
    if (const unsigned b = info.maker.driveMode; b != 0)
        return (info.makerData && b < std::size(kIconsB)) || b == 4 ? kIconsB[b] : "UNKNOWN";
    const unsigned c = info.maker.recordingMode;
    return (info.makerData && c < std::size(kIconsA)) || c == kMovie ? kIconsA[c] : "UNKNOWN";
}

std::vector<std::string> dataLines(const ImageInfo& info) {
    const MakerSettings& m = info.maker;
    const bool maker = info.makerData;
    // Values only the maker's own data can give.
    const auto ofMaker = [&](Table table, unsigned code) { return std::string(maker ? pick(table, code) : "-"); };
    const std::pair<std::string_view, std::string> lines[] = {
        {"File size", fileSize(info.fileSizeKB)},
        {"Resolution", info.sizeFound ? format("%u x %u pixels", info.width, info.height) : "-"},
        {"Quality", ofMaker(kQuality, m.recordingMode == kMovie ? 0 : m.quality)},
        {"Drive mode", driveMode(info)},
        {"Recording mode", maker ? exposureMode(m) : "-"},
        {"AE", std::string(pick(kProgram, info.exposureProgram))},
        {"Light metering", std::string(pick(kMetering, info.meteringMode))},
        {"Shutter speed", shutter(info)},
        {"Aperture stop", aperture(info)},
        {"Exposure comp.", exposureBias(info)},
        {"Focusing mode", ofMaker(kFocus, m.focusMode)},
        {"Flash mode", maker ? flashMode(info) : "-"},
        {"Sharpness", ofMaker(kSharpness, m.sharpness)},
        {"Saturation", ofMaker(kSaturation, m.saturation)},
        {"Contrast", ofMaker(kSaturation, m.contrast)},
        {"Multiple exposure", ofMaker(kMultipleExposure, m.recordingMode == kMultipleExposureShot ? m.multipleExposure : 0)},
        {"White balance", ofMaker(kWhiteBalance, m.whiteBalance == 129 ? 6 : m.whiteBalance)},
        {"Sensitivity", maker && m.iso != 0 ? format("ISO %u equivalent", unsigned(m.iso)) : "-"},
        {"Filter", ofMaker(kFilter, m.filter)},
        {"Enhancement", ofMaker(kEnhancement, m.enhancement)},
        {"Flash Intensity", ofMaker(kFlashIntensity, (info.flash & 1) ? m.flashIntensity : 0)},
        {"Digital zoom", maker ? digitalZoom(m.digitalZoom) : "-"},
        {"Date", date(info.dateTime)},
        {"Model name", info.model.empty() ? "-" : info.model},
    };
    std::vector<std::string> out;
    out.reserve(std::size(lines));
    for (const auto& [label, value] : lines) {
        std::string& line = out.emplace_back(" ");
        line.append(label).append(" : ").append(value);
    }
    return out;
}

}  // namespace lumbrel::plugin
