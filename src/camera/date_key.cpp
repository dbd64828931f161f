#include "camera/date_key.h"

#include <cstdio>
#include <ctime>

namespace lumbrel::camera {
namespace {

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm;
}

int digits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string dateKey(int year, int month, int day) {
    char key[32];
    std::snprintf(key, sizeof key, "%d%.2d%.2d", year, month, day);
    return key;
}

std::optional<std::string> checkDateKey(std::string_view text, bool allowUnassigned, int year) {
    if (text.size() != 8) return std::nullopt;
    const int y = digits(text.substr(0, 4)), m = digits(text.substr(4, 2)), d = digits(text.substr(6, 2));
    if (y < kFirstLoadYear || y > year + 1 || m < 1 || m > 12 || d < 0) return std::nullopt;
    if (d == 0 ? !allowUnassigned : d > daysInMonth(y, m)) return std::nullopt;
    return std::string(text);
}

std::string preselectedKey(bool unassigned) {
    const std::tm now = localNow();
    return dateKey(now.tm_year + 1900, now.tm_mon + 1, unassigned ? 0 : now.tm_mday);
}

int currentYear() { return localNow().tm_year + 1900; }

}  // namespace lumbrel::camera
