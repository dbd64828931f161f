#pragma once
// The mail-friendly copy of a picture: the fit rule, and the temporary folder
// and file that hold the copy until the mail program has taken it.

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace lumbrel::mailctl {

/// The box a size code asks for: 640 x 480 for 0, 320 x 240 for any other.
std::pair<int, int> boxOf(int sizeCode);

/// The size a width x height picture is shrunk to so that it fits the box:
/// nullopt when it fits already. A picture wider than 4:3 takes the box's
/// width, any other its height, the other side in proportion (rounded down,
/// at least 1).
std::optional<std::pair<int, int>> fittedSize(int width, int height, std::pair<int, int> box);

/// The temporary copy of one click. The folder is imagePath/tmp; when that
/// cannot be made and is not already a folder, or already holds a file of the
/// copy's name (a user's own file, never overwritten), a private folder under
/// the system's temporary folder takes its place. The destructor removes the
/// copy, and the folder when this object made it.
class ShrunkCopy {
public:
    ShrunkCopy(const std::string& imagePath, const std::string& fileName);
    ~ShrunkCopy();
    ShrunkCopy(const ShrunkCopy&) = delete;
    ShrunkCopy& operator=(const ShrunkCopy&) = delete;

    /// Writes source shrunk into the box as a JPEG of quality 75. False when
    /// nothing was written: the picture fits already, is no JPEG that can be
    /// decoded, or the copy cannot be saved.
    bool write(const std::string& source, std::pair<int, int> box);

    /// Where the copy is (or would be); empty when no folder could be had.
    const std::string& path() const { return file_; }

    /// What the destructor would remove (the copy, and the folder this
    /// object made), as a function to call later; the destructor then removes
    /// nothing. For a mail program that was only handed the message and
    /// reads the attachment after the compose command has ended.
    std::function<void()> release();

private:
    std::string folder_;
    std::string file_;
    bool madeFolder_ = false;
    bool written_ = false;
};

}  // namespace lumbrel::mailctl
