#pragma once
// The template type and colour pattern that a library record's template text
// names ("Type 3,Blue/gray"), as the plug-in's indices.

#include <string_view>

namespace lumbrel::maintenance {

struct TemplateIndices {
    int type = 0;     ///< 0..3; 0 when no type name occurs
    int colour = 7;   ///< 0..16; 7 when no colour name occurs
};

/// The first of "Type 1".."Type 4" and the first of the seventeen colour
/// names that occur in text (case-sensitive substring search).
TemplateIndices libraryTemplateIndices(std::string_view text);

}  // namespace lumbrel::maintenance
