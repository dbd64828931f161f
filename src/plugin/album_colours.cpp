#include "plugin/album_colours.h"

#include <array>
#include <cstddef>

namespace lumbrel::plugin {
namespace {

constexpr std::array<std::string_view, 12> kMenuBackground{
    "9cbee0", "fac4de", "ffffff", "ffffff", "ffffff", "ffffff",
    "ffffff", "d3e2b9", "ddddff", "efdeef", "d8d8d8", "fde8dd"};
constexpr std::array<std::string_view, 12> kMenuHeading{
    "545454", "464646", "ffffff", "ffffff", "ffffff", "ffffff",
    "ffffff", "ffffff", "ffffff", "ffffff", "ffffff", "ffffff"};
constexpr std::array<std::string_view, 12> kTitleRow{
    "b5fac2", "9be3e3", "9c9c5a", "8c84bd", "9c7394", "7c7c7c",
    "b5846b", "9c9c5a", "8c84bd", "9c7394", "7c7c7c", "b5846b"};
constexpr std::array<std::string_view, 12> kFolderRow{
    "b5daef", "f9f69e", "a1b979", "c1c1ef", "ddbdd6", "9e9e9e",
    "e2b9a5", "a1b979", "c1c1ef", "ddbdd6", "9e9e9e", "e2b9a5"};

constexpr std::array<std::string_view, 5> kBody{
    "ffffff\" text=\"#000000", "ffffff", "ffffff\" text=\"#000000", "b7b7b7\" text=\"#000000", "323232"};
constexpr std::array<std::string_view, 5> kBodyHeading{"464646", "464646", "dcdcdc", "dcdcdc", "dcdcdc"};
constexpr std::array<std::string_view, 5> kBodyHeadingRow{"9cbee0", "fac4de", "7e7e7e", "7e7e7e", "565656"};
constexpr std::array<std::string_view, 5> kItemText{"000000", "000000", "000000", "000000", "aaaaaa"};

std::size_t toneOf(int pattern) {
    if (pattern <= 1) return static_cast<std::size_t>(pattern);
    if (pattern <= 6) return 2;
    if (pattern <= 11) return 3;
    return 4;
}

}  // namespace

std::optional<AlbumColours> albumColours(int patternIndex) {
    if (patternIndex < 0 || patternIndex > 16) return std::nullopt;
    const bool black = patternIndex >= 12;
    const auto r = static_cast<std::size_t>(black ? patternIndex - 5 : patternIndex);
    const std::size_t t = toneOf(patternIndex);
    return AlbumColours{kMenuBackground[r], kMenuHeading[r], kTitleRow[r], kFolderRow[r],
                        kBody[t],           kBodyHeading[t], kBodyHeadingRow[t], kItemText[t],
                        black};
}

}  // namespace lumbrel::plugin
