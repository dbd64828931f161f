#pragma once
// File system helpers: the only place that calls POSIX file functions. Every
// function reports failure by its result; none throws.

#include "platform/atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::platform {

/// Native separator of the paths this program builds and stores.
inline constexpr char kSeparator = '/';

/// a + "/" + b (no doubled separator when a already ends in one).
std::string joinPath(std::string_view a, std::string_view b);
/// The text after the last separator (the whole path when there is none).
std::string_view lastComponent(std::string_view path);
/// The text before the last separator (empty when there is none).
std::string_view parentPath(std::string_view path);

bool exists(const std::string& path);        ///< anything at path (file, folder, ...)
bool isFile(const std::string& path);        ///< a regular file (links followed)
bool isDirectory(const std::string& path);   ///< a folder (links followed)
std::optional<std::uint64_t> fileSize(const std::string& path);

/// Reads a regular file, at most its first maxBytes bytes; nullopt when it
/// cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFile(const std::string& path,
                                                  std::size_t maxBytes = SIZE_MAX);
/// Reads the first bytes of a file into `into` (until it is full or the file
/// ends) and returns how many it read; nullopt when the file cannot be opened
/// or read. Only open, read and close: no size query, no allocation, for
/// readers that look at the heads of many files. Never waits for a writer
/// (a pipe without data reads as empty).
std::optional<std::size_t> readFileStart(const std::string& path, std::span<std::uint8_t> into);

/// Writes data to a temporary file in the same folder, flushes it to the disk
/// and renames it over path, so that a crash or a full disk leaves either the
/// old file or the new one, never a half-written file. Keeps the permission
/// bits of an existing file. False when anything fails (the old file stays).
bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> data,
                     AtomicFile::Flush flush = AtomicFile::Flush::Now);
bool writeFileAtomic(const std::string& path, std::string_view data);

/// What tells one file from another under the same name between reading it
/// and deleting it: a name that now stands for another file (a card swapped
/// for another one mounted at the same place) has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
/// The identity of the file at path itself (a link is not followed).
std::optional<FileIdentity> fileIdentity(const std::string& path);

/// The outcome of a copy: which side failed, and why.
struct CopyResult {
    enum class Status { Copied, SourceUnreadable, Failed };
    Status status = Status::Failed;
    int error = 0;          ///< errno of the failure
    FileIdentity source;    ///< the file that was read (Copied)
    bool ok() const { return status == Status::Copied; }
};
/// copyFile, telling a source that cannot be opened or read (a damaged card)
/// from a target that cannot be written, and giving the identity of the
/// source that was read.
CopyResult copyFileChecked(const std::string& from, const std::string& to, bool durable = true);

/// Copies from to to, replacing to (through a temporary file and rename, so an
/// interrupted copy never leaves a partial target). Keeps from's last-write time.
/// The copy is flushed to the disk and counts as done only when the file in
/// place has the size of its source. With durable false it is size-checked but
/// only handed to the disk: a caller copying many files makes them durable
/// together with flushFiles() before it relies on them.
bool copyFile(const std::string& from, const std::string& to, bool durable = true);
/// Waits until each file (and the folder naming it) is on the disk. False when
/// one cannot be flushed.
bool flushFiles(const std::vector<std::string>& paths);
/// Renames from to to, replacing a file at to; across file systems copies and
/// then deletes the source only after the copy is complete with the right size.
bool moveFile(const std::string& from, const std::string& to);
/// Gives the file at from a second name to (never replacing a file at to).
/// Unsupported: another file system, one without hard links, or from is not a
/// regular file (a symbolic link).
enum class LinkResult { Linked, Unsupported, Failed };
LinkResult linkFile(const std::string& from, const std::string& to);
/// Renames from to to on the same file system, never replacing a file at to.
enum class RenameResult { Renamed, OtherFileSystem, Failed };
RenameResult renameNoReplace(const std::string& from, const std::string& to);
/// Deletes a file (not a folder). False when it cannot be deleted.
bool deleteFile(const std::string& path);

bool makeDirectory(const std::string& path);     ///< one level; true if it exists already
bool makeDirectories(const std::string& path);   ///< every missing level
bool removeDirectory(const std::string& path);   ///< an empty folder only
/// Deletes path: a file, a link (never followed), or a folder with all it
/// holds. False when anything is left.
bool deleteTree(const std::string& path);

struct DirEntry {
    std::string name;     ///< name only, never "." or ".."
    bool isDirectory = false;  ///< a real folder (a link to a folder is not one)
};
/// The entries of a folder in the order the file system returns them; nullopt
/// when the folder cannot be read.
std::optional<std::vector<DirEntry>> listDirectory(const std::string& path);

/// Read-only attribute: true when no write permission bit is set.
std::optional<bool> isReadOnly(const std::string& path);
/// Sets or clears the read-only attribute (removes or restores the owner's write bit,
/// and the group's and others' where their read bit is set).
bool setReadOnly(const std::string& path, bool readOnly);

/// Last-write time in nanoseconds since the epoch.
std::optional<std::int64_t> lastWriteTime(const std::string& path);
bool setLastWriteTime(const std::string& path, std::int64_t nanoseconds);

/// 0 when path can be opened for reading, else the errno that says why not.
int openError(const std::string& path);

/// Removes folder and its subfolders when they hold no file at any depth;
/// never deletes a file.
void removeEmptyTree(const std::string& folder);

/// Removes the temporary files that AtomicFile objects of process pid left in
/// folder (".NAME.tmp-PID-N"), in its subfolders too when recursive. Only for
/// a process known to be gone.
void removeTemporaryFiles(const std::string& folder, long pid, bool recursive);
/// The same for every process that is gone (not this one, none still running).
void removeStaleTemporaryFiles(const std::string& folder, bool recursive);

/// Bytes free for an unprivileged user on the file system holding path.
std::optional<std::uint64_t> freeSpace(const std::string& path);

/// The process's file-creation mask, read without changing it where the kernel
/// shows it.
unsigned processUmask();

/// Test hook for failure injection: makes the n-th file-changing step from now
/// on (a folder made, a rename, a file written or copied into place) fail, once;
/// 0 turns it off. Without a call, the environment variable
/// LUMBREL_FAIL_FILE_OP=n, read at the first step, does the same.
void setFailAfter(int n);
/// The file-changing steps counted since the last setFailAfter.
int fileStepsCounted();
/// Counts one file-changing step; true when it is the one chosen to fail.
bool injectedFailure();

/// Canonical absolute form of an existing path (links resolved); nullopt when
/// it cannot be resolved.
std::optional<std::string> canonicalPath(const std::string& path);

}  // namespace lumbrel::platform
