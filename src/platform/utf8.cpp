#include "platform/utf8.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumbrel::platform {
namespace {

// A byte that does not start a valid UTF-8 sequence is one unit of its own. It
// is given a value above every code point so that it only ever equals the same
// invalid byte.
constexpr char32_t kInvalidBase = 0x110000;

struct Unit {
    char32_t value;    // code point, or kInvalidBase + byte
    std::size_t size;  // bytes it takes in the text
};

// Decodes the unit that starts at text[pos] (pos < text.size()). Overlong
// forms, surrogates and values above U+10FFFF are invalid, as are truncated
// sequences; in each case only the first byte is consumed.
Unit decodeAt(std::string_view text, std::size_t pos) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) return {b0, 1};
    const Unit invalid{kInvalidBase + b0, 1};

    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return invalid;
    }
    if (text.size() - pos < length) return invalid;
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80) return invalid;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return invalid;
    return {value, length};
}

// Simple lower-case mapping for the scripts the program meets in file and
// folder names.
char32_t foldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0xC0 && c <= 0xDE) return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130) return U'i';  // capital I with dot above
        if (c == 0x178) return 0xFF;  // capital Y with diaeresis
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;  // no upper/lower pair
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c & 1) ? c + 1 : c;
        return (c & 1) ? c : c + 1;
    }
    if (c >= 0x391 && c <= 0x3A9) return c == 0x3A2 ? c : c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

struct FoldedUnit {
    char32_t value;
    std::size_t offset;  // byte offset of the unit in the text
};

std::vector<FoldedUnit> foldAll(std::string_view text) {
    std::vector<FoldedUnit> units;
    units.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Unit u = decodeAt(text, pos);
        units.push_back({foldCase(u.value), pos});
        pos += u.size;
    }
    return units;
}

}  // namespace

int compareNoCase(std::string_view a, std::string_view b) {
    // Paths often share long byte-identical prefixes (their folders), which fold
    // alike: start at the code point where the bytes first differ. A byte that
    // is not a continuation byte always starts a unit of the decoder.
    std::size_t same = 0;
    const std::size_t shorter = std::min(a.size(), b.size());
    while (same < shorter && a[same] == b[same]) ++same;
    auto continuesAt = [](std::string_view s, std::size_t at) {
        return at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
    };
    while (same > 0 && (continuesAt(a, same) || continuesAt(b, same))) --same;
    std::size_t i = same;
    std::size_t j = same;
    while (i < a.size() && j < b.size()) {
        const Unit ua = decodeAt(a, i);
        const Unit ub = decodeAt(b, j);
        const char32_t fa = foldCase(ua.value);
        const char32_t fb = foldCase(ub.value);
        if (fa != fb) return fa < fb ? -1 : 1;
        i += ua.size;
        j += ub.size;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

std::u32string foldedText(std::string_view text) {
    std::u32string folded;
    folded.reserve(text.size());
    for (const FoldedUnit& unit : foldAll(text)) folded.push_back(unit.value);
    return folded;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return compareNoCase(a, b) == 0;
}

std::size_t findNoCase(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from > hay.size()) return std::string_view::npos;
    const std::vector<FoldedUnit> h = foldAll(hay);
    const std::vector<FoldedUnit> n = foldAll(needle);

    // First unit that starts at or after `from`; a `from` inside a character
    // moves on to the next character.
    const auto start = std::lower_bound(h.begin(), h.end(), from,
                                        [](const FoldedUnit& u, std::size_t off) { return u.offset < off; });
    if (n.empty()) return start == h.end() ? hay.size() : start->offset;
    if (h.size() < n.size()) return std::string_view::npos;

    const auto last = h.end() - static_cast<std::ptrdiff_t>(n.size());
    for (auto it = start; it <= last; ++it) {
        bool match = true;
        for (std::size_t k = 0; k < n.size(); ++k) {
            if (it[static_cast<std::ptrdiff_t>(k)].value != n[k].value) {
                match = false;
                break;
            }
        }
        if (match) return it->offset;
    }
    return std::string_view::npos;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (j < prefix.size()) {
        if (i >= text.size()) return false;
        const Unit ut = decodeAt(text, i);
        const Unit up = decodeAt(prefix, j);
        if (foldCase(ut.value) != foldCase(up.value)) return false;
        i += ut.size;
        j += up.size;
    }
    return true;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    const std::vector<FoldedUnit> t = foldAll(text);
    const std::vector<FoldedUnit> s = foldAll(suffix);
    if (s.size() > t.size()) return false;
    return std::equal(s.begin(), s.end(), t.end() - static_cast<std::ptrdiff_t>(s.size()),
                      [](const FoldedUnit& x, const FoldedUnit& y) { return x.value == y.value; });
}

std::string_view truncateUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t next = pos + decodeAt(text, pos).size;
        if (next > maxBytes) break;
        end = next;
        pos = next;
    }
    return text.substr(0, end);
}

std::size_t codePointCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += decodeAt(text, pos).size) ++count;
    return count;
}

std::string shortenMiddle(std::string_view text, std::size_t longerThan, std::size_t prefixBytes,
                          std::size_t minTailBytes) {
    if (text.size() <= longerThan) return std::string(text);

    const std::string_view head = truncateUtf8(text, prefixBytes);

    // Unit boundaries, so the tail can grow backwards one code point at a time.
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < text.size(); pos += decodeAt(text, pos).size) starts.push_back(pos);
    std::size_t tailStart = text.size();
    for (auto it = starts.rbegin(); it != starts.rend() && text.size() - tailStart < minTailBytes; ++it)
        tailStart = *it;

    std::string out;
    out.reserve(head.size() + 3 + (text.size() - tailStart));
    out.append(head);
    out.append("...");
    out.append(text.substr(tailStart));
    return out;
}

}  // namespace lumbrel::platform
