#pragma once
// lumbrel-cli camera, load and auto: loading pictures into the image library
// from the camera folders found on the drives, from given camera folders, or
// for a request file left by the watcher.

#include <iosfwd>
#include <string>
#include <vector>

namespace lumbrel::cli {

/// args: what follows the command word; home: the --home value (may be
/// empty). Each returns the exit status: 0 loaded, 1 nothing loaded (nothing
/// found, suspended, cancelled, or failed and taken back), 2 wrong usage.
int runCamera(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runLoad(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runAuto(const std::string& home, const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
/// load-other: the folders the user names, as the "Load other images" dialog loads them.
int runLoadOther(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err);
/// serial load: the pictures and movies of a camera on a serial port, every
/// folder (--batch) or one (--folder NAME).
int runSerialLoad(const std::string& home, const std::vector<std::string>& args, std::ostream& out,
                  std::ostream& err);

}  // namespace lumbrel::cli
