#pragma once
// The recording time of a file being loaded, as 14 digits YYYYMMDDHHMMSS:
// the date embedded in a picture, or the file's last-write time in local time
// (always for movies, whose files carry no date).

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::camera {

/// The embedded recording date of a picture; nullopt for movies and for
/// pictures without a valid one.
std::optional<std::string> embeddedDate(const std::string& path);
/// The last-write time in local time; nullopt when the file cannot be read.
std::optional<std::string> fileTimeText(const std::string& path);
/// The embedded date, else the file time, else empty: what two files are
/// compared by to tell whether they are the same picture.
std::string recordingTime(const std::string& path);
/// True for a file time that may date a picture: from 19900101000001 to
/// 20380118000001.
bool isPlausibleFileTime(std::string_view time);

}  // namespace lumbrel::camera
