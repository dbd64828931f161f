#pragma once
// What a load has changed on disk, so that a failed or suspended run can be
// taken back and a finished one completed.
//
// A picture is never in neither place: a move to another file system is a
// complete, flushed copy whose source is deleted only by commit(), after the
// library index has been saved; a move on one file system is a rename, taken
// back by renaming again. A library file that a copy replaces is set aside
// and put back on roll-back. Roll-back deletes only files the run made and
// removes only folders the run made, and only when they are empty.

#include <cstddef>
#include <string>
#include <vector>

namespace lumbrel::camera {

class UndoLog {
public:
    /// Creates folder when it is missing (one level) and logs it. True when it
    /// exists afterwards.
    bool makeFolder(const std::string& folder);
    /// A file the run is about to write or has written at path.
    void fileCreated(std::string path);
    /// A file renamed from from to to on one file system.
    void fileMoved(std::string from, std::string to);
    /// The source of a move done by copying; deleted by commit().
    void deleteOnCommit(std::string source);
    /// Moves the file at path aside so that a new file can take its place.
    /// False when it cannot be moved.
    bool setAside(const std::string& path);

    /// Takes the run back, latest change first, then removes the folders it
    /// made in reverse order. Returns the number of files that could not be
    /// put back (they stay complete where they are).
    std::size_t rollBack();
    /// Completes the run: deletes the sources of copied moves and the files set
    /// aside. Returns the number of move sources that could not be deleted
    /// (the pictures are then in both places).
    std::size_t commit();

    bool empty() const { return changes_.empty() && folders_.empty(); }

private:
    enum class Kind { Created, Moved, SetAside };
    struct Change {
        Kind kind;
        std::string path;   ///< Created: the file; Moved: the source; SetAside: the original place
        std::string other;  ///< Moved: the destination; SetAside: where the file lies now
    };
    std::vector<Change> changes_;
    std::vector<std::string> folders_;
    std::vector<std::string> sourcesToDelete_;
};

}  // namespace lumbrel::camera
