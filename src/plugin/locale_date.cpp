#include "plugin/locale_date.h"

#include <chrono>
#include <ctime>
#include <locale.h>

namespace lumbrel::plugin {

namespace {

// The date through strftime in the LC_TIME locale of the environment (the "C"
// locale when that one is not installed); the process's own locale stays as
// it is. An impossible date gives an empty text.
std::string format(int year, int month, int day, const char* pattern) {
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (month < 1 || day < 1 || !date.ok()) return {};
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_wday = static_cast<int>(weekday(sys_days(date)).c_encoding());

    locale_t locale = ::newlocale(LC_TIME_MASK, "", locale_t(0));
    if (!locale) locale = ::newlocale(LC_TIME_MASK, "C", locale_t(0));
    if (!locale) return {};
    char text[256];
    const std::size_t length = ::strftime_l(text, sizeof text, pattern, &tm, locale);
    ::freelocale(locale);
    return std::string(text, length);
}

}  // namespace

// The locale's own short form ("02/03/01" in C, "03.02.2001" in de_DE).
std::string shortDate(int year, int month, int day) { return format(year, month, day, "%x"); }

// The weekday and month by name in the locale's words, in one order for every
// locale: "Saturday, February 3, 2001".
std::string longDate(int year, int month, int day) { return format(year, month, day, "%A, %B %-d, %Y"); }

}  // namespace lumbrel::plugin
