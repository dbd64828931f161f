#pragma once
// Dates in the user's own forms, as the album pages show them: the short form
// in the folder menu, the long form in page headings and on the data page.

#include <string>

namespace lumbrel::plugin {

/// The language and region of the user's date locale (LC_ALL, then LC_TIME,
/// then LANG, without codeset or modifier: "de_DE"); empty for C and POSIX.
std::string userTimeLocale();

/// The short form of the LC_TIME locale of the environment; "" for an impossible date.
std::string shortDate(int year, int month, int day);
/// The full form of the user's date locale; "" for an impossible date.
std::string longDate(int year, int month, int day);

}  // namespace lumbrel::plugin
