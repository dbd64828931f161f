#include "plugin/locale_date.h"

#include <unicode/udat.h>
#include <unicode/ustring.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <locale.h>
#include <optional>
#include <string_view>

namespace lumbrel::plugin {

namespace {

std::optional<std::chrono::year_month_day> civilDate(int year, int month, int day) {
    using namespace std::chrono;
    if (month < 1 || day < 1) return std::nullopt;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) return std::nullopt;
    return date;
}

// The date through strftime in the LC_TIME locale of the environment (the "C"
// locale when that one is not installed); the process's own locale stays as
// it is. An impossible date gives an empty text.
std::string format(int year, int month, int day, const char* pattern, bool environment) {
    using namespace std::chrono;
    const auto date = civilDate(year, month, day);
    if (!date) return {};
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_wday = static_cast<int>(weekday(sys_days(*date)).c_encoding());

    locale_t locale = environment ? ::newlocale(LC_TIME_MASK, "", locale_t(0)) : locale_t(0);
    if (!locale) locale = ::newlocale(LC_TIME_MASK, "C", locale_t(0));
    if (!locale) return {};
    char text[256];
    const std::size_t length = ::strftime_l(text, sizeof text, pattern, &tm, locale);
    ::freelocale(locale);
    return std::string(text, length);
}

}  // namespace

std::string userTimeLocale() {
    // The variables in the order the C library weighs them for dates.
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string_view id(value);
        // "de_DE.UTF-8@euro": the language and region are what a date's words depend on.
        id = id.substr(0, id.find_first_of(".@"));
        if (id.empty() || id == "C" || id == "POSIX") return {};
        return std::string(id);
    }
    return {};
}

// The locale's own short form ("02/03/01" in C, "03.02.2001" in de_DE).
std::string shortDate(int year, int month, int day) { return format(year, month, day, "%x", true); }

// The locale's full form from ICU's own locale data, so that it needs no
// system locale installed: "Samstag, 3. Februar 2001" for de_DE. The C and
// POSIX locales, and a locale ICU has no data for, keep the English form
// "Saturday, February 3, 2001".
std::string longDate(int year, int month, int day) {
    const auto date = civilDate(year, month, day);
    if (!date) return {};
    const std::string locale = userTimeLocale();
    if (!locale.empty()) {
        UErrorCode status = U_ZERO_ERROR;
        static constexpr UChar kUtc[] = {'U', 'T', 'C', 0};
        UDateFormat* formatter = udat_open(UDAT_NONE, UDAT_FULL, locale.c_str(), kUtc, -1, nullptr, 0, &status);
        // A locale ICU knows nothing of gets its root data ("2001 M06 16, Sat");
        // the English form reads better than that.
        const char* valid = U_SUCCESS(status) ? udat_getLocaleByType(formatter, ULOC_VALID_LOCALE, &status) : nullptr;
        const bool known = U_SUCCESS(status) && valid && *valid && std::string_view(valid) != "root";
        std::string text;
        if (known) {
            const double days = std::chrono::sys_days(*date).time_since_epoch().count();
            std::array<UChar, 128> wide;
            const int32_t wideLength =
                udat_format(formatter, days * U_MILLIS_PER_DAY, wide.data(), wide.size(), nullptr, &status);
            std::array<char, 512> utf8;
            int32_t length = 0;
            if (U_SUCCESS(status)) u_strToUTF8(utf8.data(), utf8.size(), &length, wide.data(), wideLength, &status);
            if (U_SUCCESS(status) && status != U_STRING_NOT_TERMINATED_WARNING) text.assign(utf8.data(), length);
        }
        if (formatter) udat_close(formatter);
        if (!text.empty()) return text;
    }
    return format(year, month, day, "%A, %B %-d, %Y", false);
}

}  // namespace lumbrel::plugin
