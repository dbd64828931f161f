#pragma once
// Library keys (library folder names) as the web pages read them. Two forms are
// told apart by length:
//   short: 6 characters, or 12 with a character other than '_' at index 8:
//          YYMMDD[hhmmss], the century taken from the two-digit year;
//   long:  every other key: YYYYMMDD followed by an optional suffix ("_n").
// The month must be 01..12; a key with any other month is not processed.

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::web {

enum class KeyForm { Short, Long };

/// The form of key, decided by its length alone.
KeyForm keyForm(std::string_view key);

/// Century of a short key: "20" when its first two characters compare
/// byte-wise below "90", else "19".
std::string_view shortKeyCentury(std::string_view key);

/// A key taken apart.
struct KeyParts {
    KeyForm form = KeyForm::Long;
    std::string year;    ///< four digits (century added for short keys)
    std::string month;   ///< two digits "01".."12"
    std::string day;     ///< two characters ("00" for a month entered without a day)
    std::string suffix;  ///< long keys: everything from index 8 (e.g. "_1"); empty otherwise
    int monthIndex = 0;  ///< 0..11
};

/// Takes key apart; nullopt when it is too short for its form or its month is
/// not 01..12 (so "00" and "13" fail).
std::optional<KeyParts> parseLibraryKey(std::string_view key);

/// The date shown in a month-page row: YYYY/MM/DD for short keys; for long
/// keys YYYY/MM followed, when the day is "00", directly by the suffix, else by
/// "/" and the rest of the key from index 6. Empty when the key does not parse.
std::string rowDateText(std::string_view key);

/// The key with the century put in front of a short key (long keys unchanged):
/// the form compared when deciding which month library.htm opens on.
std::string keyWithCentury(std::string_view key);

/// Whether the key of a newly added library replaces the remembered one that
/// decides the month library.htm opens on: for keys of 6 or 8 characters only
/// when its century form compares smaller (ignoring case), for any other
/// length always.
bool replacesRememberedKey(std::string_view key, std::string_view remembered);

/// The key library.htm points at before any library was added.
inline constexpr std::string_view kNoRememberedKey = "20900101";

}  // namespace lumbrel::web
