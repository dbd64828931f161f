#pragma once
// KdPlugin's own texts: the titles and overviews of its four template types,
// the names of its seventeen colour patterns, and the name-list form in which
// the host receives titles and pattern names.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumbrel::plugin {

inline constexpr int kTemplateCount = 4;
inline constexpr int kPatternCount = 17;

inline constexpr std::array<std::string_view, kTemplateCount> kTemplateTitles{"Type 1", "Type 2", "Type 3",
                                                                              "Type 4"};

/// The overview shown for each template type in the selection dialog.
inline constexpr std::array<std::string_view, kTemplateCount> kTemplateSummaries{
    "Type 1\n  Display information\n  Slide show\n  List\ncan be displayed\n",
    "Type 2\n  Display information\n  List\ncan be displayed\n",
    "Type 3\n  Slide show\n  List\ncan be displayed\n",
    "Type 4\n  List\ncan be displayed",
};

/// Pattern names, "menu colour/background colour". "Purple/blac" is the name
/// the host has always stored for pattern 14; it stays cut short.
inline constexpr std::array<std::string_view, kPatternCount> kPatternNames{
    "Fancy blue/white", "Fancy pink/white", "Green/white", "Blue/white",  "Purple/white", "Gray/white",
    "Brown/white",      "Green/gray",       "Blue/gray",   "Purple/gray", "Gray/gray",    "Brown/gray",
    "Green/black",      "Blue/black",       "Purple/blac", "Gray/black",  "Brown/black",
};

/// Name list of names: per entry a length byte (text length + 2), the text and
/// a 0 byte; one more 0 byte after the last entry. With a null buffer returns
/// the list's size in bytes; otherwise writes the list (the buffer must hold
/// that size) and returns the number of entries. Every name is shorter than
/// 254 bytes.
std::int32_t writeNameList(std::span<const std::string_view> names, std::uint8_t* buffer);

/// Overview of a template: its length + 1, and with a buffer the text and its
/// terminating 0. 0 (buffer untouched) for an index outside 0-3.
std::int32_t writeTemplateSummary(std::int32_t templateIndex, std::uint8_t* buffer);

}  // namespace lumbrel::plugin
