#pragma once
// The automatic-loading request file (app::kRequestFileName in the program
// folder). The watcher writes each newly mounted removable drive as its root
// ("/media/u/CARD/") followed by CR LF, and one terminating NUL byte after the
// last line. The main program loads only the first drive named and deletes the
// file afterwards.
//
// A new line replaces the terminating byte: it is written where the old
// terminator was, and a new terminator follows it. A file without a terminator
// (empty, or written by other means) just gets the line and a terminator.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

inline constexpr std::uint8_t kRequestTerminator = 0;

/// How much of a request file the main program reads: one root of up to
/// PATH_MAX bytes and its line end.
inline constexpr std::size_t kMaxRequestRead = 4096 + 2;

/// The first drive root that bytes name: the text up to the first CR, LF or
/// NUL, with a "/" added when it does not end in one. Empty when that text is
/// empty or not an absolute path.
std::string firstRequestedRoot(std::span<const std::uint8_t> bytes);

/// Reads the first drive root of a request file (at most kMaxRequestRead
/// bytes); empty when the file cannot be read or names no drive.
std::string readRequestedRoot(const std::string& requestFile);

/// existing with root + CR LF appended in place of a terminating byte at its
/// end, then the terminating byte.
std::vector<std::uint8_t> appendRequest(std::span<const std::uint8_t> existing, std::string_view root);

/// Appends every root to the request file at path (creating it), replacing the
/// file atomically. False when it cannot be written.
bool appendRequestFile(const std::string& path, const std::vector<std::string>& roots);

}  // namespace lumbrel::camera
