#include "openurl/control_url.h"

#include <array>

namespace lumbrel::openurl {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Valid UTF-8 (no overlong forms, no surrogates) without control characters.
bool plainText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7f) return false;
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        if (b >= 0xc2 && b <= 0xdf) length = 2, cp = b & 0x1f;
        else if (b >= 0xe0 && b <= 0xef) length = 3, cp = b & 0x0f;
        else if (b >= 0xf0 && b <= 0xf4) length = 4, cp = b & 0x07;
        else return false;
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3f);
        }
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10ffff)) ||
            (cp >= 0xd800 && cp <= 0xdfff) || (cp >= 0x80 && cp < 0xa0))
            return false;
        i += length;
    }
    return true;
}

constexpr std::array<std::string_view, 6> kMailNames{"ImageFile", "ImagePath", "ImageSize", "Mailer", "MailName",
                                                     "TempSize"};
constexpr std::array<std::string_view, 2> kPrintNames{"ImageFile", "ImagePath"};

bool known(ControlKind kind, std::string_view name) {
    if (kind == ControlKind::Mail) {
        for (std::string_view n : kMailNames)
            if (sameName(n, name)) return true;
    } else {
        for (std::string_view n : kPrintNames)
            if (sameName(n, name)) return true;
    }
    return false;
}

// MailName and Mailer, TempSize and ImageSize are one property each.
std::string_view canonicalName(std::string_view name) {
    if (sameName(name, "MailName")) return "Mailer";
    if (sameName(name, "TempSize")) return "ImageSize";
    return name;
}

}  // namespace

std::string ControlUrl::value(std::string_view name) const {
    for (const auto& [key, value] : properties)
        if (sameName(canonicalName(key), canonicalName(name))) return value;
    return {};
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (text.size() - i < 3) return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::optional<ControlUrl> parseControlUrl(std::string_view url, std::string& why) {
    if (url.size() > kMaxUrlBytes) {
        why = "the link is too long";
        return std::nullopt;
    }
    ControlUrl result;
    if (startsWithNoCase(url, "lumbrel-mail:")) {
        result.kind = ControlKind::Mail;
        url.remove_prefix(13);
    } else if (startsWithNoCase(url, "lumbrel-print:")) {
        result.kind = ControlKind::Print;
        url.remove_prefix(14);
    } else {
        why = "not a lumbrel-mail: or lumbrel-print: link";
        return std::nullopt;
    }
    if (url.starts_with("//")) url.remove_prefix(2);
    if (url.starts_with('?')) url.remove_prefix(1);
    while (!url.empty()) {
        const std::size_t amp = url.find('&');
        const std::string_view piece = url.substr(0, amp);
        url = amp == std::string_view::npos ? std::string_view() : url.substr(amp + 1);
        if (piece.empty()) continue;
        const std::size_t equals = piece.find('=');
        const auto name = percentDecode(piece.substr(0, equals));
        const auto value = percentDecode(equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1));
        if (!name || !value) {
            why = "a broken percent escape";
            return std::nullopt;
        }
        if (!known(result.kind, *name)) {
            why = "an unknown property: " + (plainText(*name) ? *name : std::string("(unprintable)"));
            return std::nullopt;
        }
        for (const auto& [key, _] : result.properties)
            if (sameName(canonicalName(key), canonicalName(*name))) {
                why = "the property " + *name + " is given twice";
                return std::nullopt;
            }
        if (value->size() > kMaxValueBytes || !plainText(*value)) {
            why = "the value of " + *name + " is too long, not UTF-8 or holds a control character";
            return std::nullopt;
        }
        result.properties.emplace_back(*name, *value);
    }
    return result;
}

}  // namespace lumbrel::openurl
