#pragma once
// The library keys a load date dialog gives: YYYYMMDD, or YYYYMM00 when the
// day is "Unassigned". Years run from 1980 to the current year + 1.

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::camera {

inline constexpr int kFirstLoadYear = 1980;

/// Days of month (1-12) in year of the Gregorian calendar; 0 for another month.
int daysInMonth(int year, int month);
/// The key of a chosen date; day 0 stands for "Unassigned".
std::string dateKey(int year, int month, int day);
/// text when it is a key the dialog can give in currentYear: a year from 1980
/// to currentYear + 1, a month 01-12, a day of that month, or "00" when
/// allowUnassigned. nullopt otherwise.
std::optional<std::string> checkDateKey(std::string_view text, bool allowUnassigned, int currentYear);

/// What the dialog preselects now (local time): today, or this month with
/// "Unassigned" when that is offered.
std::string preselectedKey(bool unassigned);
/// The current year (local time).
int currentYear();

}  // namespace lumbrel::camera
