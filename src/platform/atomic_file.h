#pragma once
// A file written piece by piece and put in place only when complete: the data
// goes to a temporary file in the target's folder, which commit() flushes to the
// disk and renames over the target. Until then, and if anything fails, the old
// target stays as it was; an uncommitted temporary file is removed.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumbrel::platform {

class AtomicFile {
public:
    /// Creates the temporary file; check ok() before writing.
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    /// Whether a file stood at the target when this was made.
    bool replacesFile() const { return replaces_; }
    bool write(std::span<const std::uint8_t> bytes);
    /// Appends the rest of the open file fd (read from its current offset to
    /// its end); returns the number of bytes copied, or nullopt on failure.
    /// The kernel copies the data itself where it can. After a failure,
    /// sourceError() is the error of reading fd (0 when the writing failed).
    std::optional<std::uint64_t> copyFrom(int fd);
    int sourceError() const { return sourceError_; }
    /// Permission bits for the new file; without this it gets those of the file
    /// it replaces, or those of a newly created file.
    void setMode(unsigned mode) { mode_ = mode; }
    /// Access and last-write times for the new file, in nanoseconds since the epoch.
    bool setTimes(std::int64_t accessNs, std::int64_t writeNs);
    /// Flushes, keeps the permission bits of an existing target, renames the
    /// temporary file over the target and flushes the folder. False on failure.
    /// With Flush::Later the data is only handed to the disk (written back in
    /// the background) and neither file nor folder is waited for: the caller
    /// makes the file durable with flushFiles() before anything relies on it.
    enum class Flush { Now, Later };
    bool commit(Flush flush = Flush::Now);

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int mode_ = -1;
    bool failed_ = false;
    bool replaces_ = false;
    int sourceError_ = 0;
};

}  // namespace lumbrel::platform
