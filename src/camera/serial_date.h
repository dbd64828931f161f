#pragma once
// The recording date of a file received from a serial camera. Such a file has
// only what the camera sent: a picture carries its date inside; a movie's date
// is read from the first four characters of its name (MMDD), the year guessed
// from today's date. The file's last-write time is set to that date so that
// the loading pipeline, which dates files by their embedded date or last-write
// time, places it where the camera recorded it.

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::camera {

struct Day {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const Day&, const Day&) = default;
};

/// Today in local time.
Day localToday();

/// The date of a movie named name (MMDD...) received on today:
/// - a day of that month in this year: this year when MMDD lies between
///   "0101" and the day after today (next month with today's day number when
///   today is the last of its month), else last year. So "1231" is this year
///   only on 30 and 31 December: a movie of New Year's Eve received in
///   January is last year's, not one of a day still to come;
/// - "0229" when this year has none and last year had: last year;
/// - anything else: today.
/// A date guessed into last year that does not exist there (29 February
/// after a leap year) is today's date.
Day movieDate(std::string_view name, const Day& today);

/// The library key (YYYYMMDD) of a received file, and the last-write time
/// its file gets: a picture's embedded date and time; a movie's name date at
/// 01:00:00; for a picture without an embedded date, today (its time is left
/// as it is).
struct ReceivedDate {
    std::string key;
    std::optional<std::string> time;  ///< YYYYMMDDHHMMSS to set, or none
};
ReceivedDate receivedDate(const std::string& path, std::string_view name, const Day& today);

/// Sets the last-write time of path to time (YYYYMMDDHHMMSS, local time).
bool setLocalFileTime(const std::string& path, std::string_view time);

/// "YYYYMMDD" of a day.
std::string keyOf(const Day& day);

}  // namespace lumbrel::camera
