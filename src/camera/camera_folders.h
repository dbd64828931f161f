#pragma once
// The camera folders on a drive: the folders directly under its root that hold
// pictures. A folder named "DCIM" in any letter case is a camera's picture
// folder by the DCF convention; any other folder counts when it holds the
// marker file "KDCAM.KDS". The marker's name is matched ignoring letter case,
// as cards carry FAT file systems whose names do not keep it reliably.

#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

inline constexpr std::string_view kMarkerFile = "KDCAM.KDS";

/// Inserts path before the first entry that compares greater ignoring letter
/// case, so that the list stays sorted and equal entries keep their order.
void insertSorted(std::vector<std::string>& folders, std::string path);

/// Adds the camera folders under root (which ends in "/") to folders, each as
/// root + name, by sorted insertion. A root that cannot be listed adds nothing.
/// True when folders is non-empty afterwards.
bool scanDrive(const std::string& root, std::vector<std::string>& folders);

/// text with its letters in upper case (ASCII, Latin-1, Latin Extended-A,
/// Greek and Cyrillic); other characters and invalid bytes stay as they are.
std::string toUpper(std::string_view text);

/// How the folder choice shows a path: whole up to 18 bytes; longer, its first
/// 2 bytes when it begins with "/" (the separator and the first letter of the
/// mount folder) or 3 otherwise, then "...", then the shortest tail of at least
/// 13 bytes. A multi-byte character is never split.
std::string folderDisplayText(std::string_view path);

}  // namespace lumbrel::camera
