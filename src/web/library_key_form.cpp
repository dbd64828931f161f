#include "web/library_key_form.h"

#include "platform/utf8.h"

namespace lumbrel::web {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Month number of two characters; -1 unless both are digits.
int twoDigits(std::string_view text) {
    if (text.size() != 2 || !isDigit(text[0]) || !isDigit(text[1])) return -1;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

}  // namespace

KeyForm keyForm(std::string_view key) {
    if (key.size() == 6) return KeyForm::Short;
    if (key.size() == 12 && key[8] != '_') return KeyForm::Short;
    return KeyForm::Long;
}

std::string_view shortKeyCentury(std::string_view key) {
    return key.substr(0, 2) < std::string_view("90") ? "20" : "19";
}

std::optional<KeyParts> parseLibraryKey(std::string_view key) {
    KeyParts parts;
    parts.form = keyForm(key);
    if (parts.form == KeyForm::Short) {
        parts.year = std::string(shortKeyCentury(key)) + std::string(key.substr(0, 2));
        parts.month = std::string(key.substr(2, 2));
        parts.day = std::string(key.substr(4, 2));
    } else {
        if (key.size() < 8) return std::nullopt;
        parts.year = std::string(key.substr(0, 4));
        parts.month = std::string(key.substr(4, 2));
        parts.day = std::string(key.substr(6, 2));
        parts.suffix = std::string(key.substr(8));
    }
    const int month = twoDigits(parts.month);
    if (month < 1 || month > 12) return std::nullopt;
    parts.monthIndex = month - 1;
    return parts;
}

std::string rowDateText(std::string_view key) {
    const std::optional<KeyParts> parts = parseLibraryKey(key);
    if (!parts) return {};
    std::string text = parts->year + "/" + parts->month;
    if (parts->form == KeyForm::Short) return text + "/" + parts->day;
    if (parts->day == "00") return text + parts->suffix;
    return text + "/" + std::string(key.substr(6));
}

std::string keyWithCentury(std::string_view key) {
    if (keyForm(key) == KeyForm::Short) return std::string(shortKeyCentury(key)) + std::string(key);
    return std::string(key);
}

bool replacesRememberedKey(std::string_view key, std::string_view remembered) {
    if (key.size() == 6 || key.size() == 8)
        return platform::compareNoCase(keyWithCentury(key), remembered) < 0;
    return true;
}

}  // namespace lumbrel::web
