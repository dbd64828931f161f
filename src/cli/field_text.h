#pragma once
// A text field of a tab-separated line of lumbrel-cli's output.

#include <string>
#include <string_view>

namespace lumbrel::cli {

/// Tabs, line ends and backslashes inside a field are written as \t, \n, \r
/// and \\, so that each record stays on one line.
inline std::string field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace lumbrel::cli
