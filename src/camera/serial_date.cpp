#include "camera/serial_date.h"

#include <cstdio>
#include <ctime>

#include "camera/date_key.h"
#include "camera/recording_time.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::camera {
namespace {

int twoDigits(std::string_view text) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') return -1;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

std::string monthDay(int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d%.2d", month, day);
    return text;
}

}  // namespace

Day localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

std::string keyOf(const Day& day) { return dateKey(day.year, day.month, day.day); }

Day movieDate(std::string_view name, const Day& today) {
    if (name.size() < 4) return today;
    const std::string_view mmdd = name.substr(0, 4);
    const int month = twoDigits(mmdd.substr(0, 2));
    const int day = twoDigits(mmdd.substr(2, 2));
    if (day >= 1 && day <= daysInMonth(today.year, month)) {
        // The newest name this year may carry: tomorrow, so that a camera
        // clock a little ahead still counts as this year.
        const bool lastOfMonth = today.day == daysInMonth(today.year, today.month);
        const std::string limit =
            lastOfMonth ? monthDay(today.month + 1, today.day) : monthDay(today.month, today.day + 1);
        if (mmdd >= "0101" && mmdd <= limit) return {today.year, month, day};
        // Last year may lack the day (29 February after a leap year).
        if (day <= daysInMonth(today.year - 1, month)) return {today.year - 1, month, day};
        return today;
    }
    if (month == 2 && day == daysInMonth(today.year - 1, 2)) return {today.year - 1, 2, day};
    return today;
}

ReceivedDate receivedDate(const std::string& path, std::string_view name, const Day& today) {
    if (platform::endsWithNoCase(name, "AVI")) {
        const Day day = movieDate(name, today);
        return {keyOf(day), keyOf(day) + "010000"};
    }
    if (auto embedded = embeddedDate(path)) return {embedded->substr(0, 8), *embedded};
    return {keyOf(today), std::nullopt};
}

bool setLocalFileTime(const std::string& path, std::string_view time) {
    if (time.size() != 14) return false;
    for (char c : time)
        if (c < '0' || c > '9') return false;
    auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (time[i] - '0');
        return value;
    };
    std::tm tm{};
    tm.tm_year = number(0, 4) - 1900;
    tm.tm_mon = number(4, 2) - 1;
    tm.tm_mday = number(6, 2);
    tm.tm_hour = number(8, 2);
    tm.tm_min = number(10, 2);
    tm.tm_sec = number(12, 2);
    tm.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&tm);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    return platform::setLastWriteTime(path, static_cast<std::int64_t>(seconds) * 1'000'000'000);
}

}  // namespace lumbrel::camera
