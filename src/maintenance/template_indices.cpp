#include "maintenance/template_indices.h"

#include <array>

namespace lumbrel::maintenance {

namespace {

constexpr std::array<std::string_view, 4> kTypeNames{"Type 1", "Type 2", "Type 3", "Type 4"};
// In the plug-in's order; "Purple/blac" is spelled as the plug-in reports it.
constexpr std::array<std::string_view, 17> kColourNames{
    "Fancy blue/white", "Fancy pink/white", "Green/white", "Blue/white",  "Purple/white", "Gray/white",
    "Brown/white",      "Green/gray",       "Blue/gray",   "Purple/gray", "Gray/gray",    "Brown/gray",
    "Green/black",      "Blue/black",       "Purple/blac", "Gray/black",  "Brown/black"};

template <std::size_t N>
int firstOccurring(std::string_view text, const std::array<std::string_view, N>& names, int none) {
    for (std::size_t i = 0; i < N; ++i)
        if (text.find(names[i]) != std::string_view::npos) return static_cast<int>(i);
    return none;
}

}  // namespace

TemplateIndices libraryTemplateIndices(std::string_view text) {
    return {firstOccurring(text, kTypeNames, 0), firstOccurring(text, kColourNames, 7)};
}

}  // namespace lumbrel::maintenance
