#include "platform/files.h"

#include "platform/atomic_file.h"
#include "platform/large_buffer.h"

#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace lumbrel::platform {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes now and reports whether close succeeded (it can report a late write error).
    bool close() {
        if (fd_ < 0) return true;
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0;
    }

private:
    int fd_;
};

int openRetry(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads until into is full or the file ends: the bytes read, or nullopt on an error.
std::optional<std::size_t> readInto(int fd, std::span<std::uint8_t> into) {
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t n = ::read(fd, into.data() + got, into.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// Counted from every thread that writes files (a load's workers too).
struct FailureHook {
    std::atomic<int> failAt{0};
    std::atomic<int> counted{0};
    FailureHook() {
        if (const char* value = std::getenv("LUMBREL_FAIL_FILE_OP")) failAt = std::atoi(value);
    }
};

FailureHook& hook() {
    static FailureHook h;
    return h;
}

}  // namespace

void setFailAfter(int n) {
    FailureHook& h = hook();
    h.failAt = n < 0 ? 0 : n;
    h.counted = 0;
}

int fileStepsCounted() { return hook().counted; }

bool injectedFailure() {
    FailureHook& h = hook();
    const int failAt = h.failAt;
    if (failAt <= 0) return false;
    return h.counted.fetch_add(1) + 1 == failAt;
}

unsigned processUmask() {
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            if (std::strncmp(line, "Umask:", 6) == 0) {
                std::fclose(f);
                return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8)) & 0777;
            }
        }
        std::fclose(f);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::string joinPath(std::string_view a, std::string_view b) {
    if (a.empty()) return std::string(b);
    std::string out(a);
    if (out.back() == kSeparator && !b.empty() && b.front() == kSeparator) b.remove_prefix(1);
    else if (out.back() != kSeparator && (b.empty() || b.front() != kSeparator)) out += kSeparator;
    out.append(b);
    return out;
}

std::string_view lastComponent(std::string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view parentPath(std::string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool isFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes) {
    Fd fd(openRetry(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return std::nullopt;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;

    // A picture's worth of fresh memory is mapped in one call rather than a
    // fault per page as it is first written.
    std::vector<std::uint8_t> data;
    const auto initial = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes));
    data.reserve(initial);
    if (initial >= 64 * 1024) prefault(data.data(), initial);
    data.resize(initial);
    std::size_t got = 0;
    // The file may change size while it is read: read until its end or maxBytes.
    for (;;) {
        const auto n = readInto(fd.get(), std::span(data).subspan(got));
        if (!n) return std::nullopt;
        got += *n;
        if (got < data.size() || got >= maxBytes) break;
        // Usually the end of the file: a small read tells, before the buffer
        // is grown (and copied) for what may be nothing.
        std::array<std::uint8_t, 4096> probe;
        const auto more = readInto(fd.get(), std::span(probe).first(std::min(probe.size(), maxBytes - got)));
        if (!more) return std::nullopt;
        if (*more == 0) break;
        data.resize(std::min(std::max({got * 2, got + *more, std::size_t{64 * 1024}}), maxBytes));
        std::memcpy(data.data() + got, probe.data(), *more);
        got += *more;
    }
    data.resize(got);
    return data;
}

std::optional<std::size_t> readFileStart(const std::string& path, std::span<std::uint8_t> into) {
    Fd fd(openRetry(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) return std::nullopt;
    return readInto(fd.get(), into);
}

bool writeFileAtomic(const std::string& path, std::span<const std::uint8_t> data, AtomicFile::Flush flush) {
    AtomicFile file(path);
    return file.write(data) && file.commit(flush);
}

bool writeFileAtomic(const std::string& path, std::string_view data) {
    return writeFileAtomic(path, std::span<const std::uint8_t>(
                                     reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
}

namespace {

FileIdentity identityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return identityOf(st);
}

CopyResult copyFileChecked(const std::string& from, const std::string& to, bool durable) {
    using Status = CopyResult::Status;
    const auto failed = [](Status status, int error) { return CopyResult{status, error, {}}; };
    Fd in(openRetry(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return failed(Status::SourceUnreadable, errno);
    struct stat st;
    if (::fstat(in.get(), &st) != 0) return failed(Status::SourceUnreadable, errno);
    if (!S_ISREG(st.st_mode)) return failed(Status::SourceUnreadable, EINVAL);

    AtomicFile out(to);
    if (!out.ok()) return failed(Status::Failed, errno);
    const std::optional<std::uint64_t> copied = out.copyFrom(in.get());
    if (!copied) return out.sourceError() ? failed(Status::SourceUnreadable, out.sourceError()) : failed(Status::Failed, errno);
    // A source that shrank while being read gives an incomplete copy.
    if (*copied != static_cast<std::uint64_t>(st.st_size)) return failed(Status::SourceUnreadable, EIO);
    out.setMode(st.st_mode & 07777);
    const auto ns = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    if (!out.setTimes(ns(st.st_atim), ns(st.st_mtim)) ||
        !out.commit(durable ? AtomicFile::Flush::Now : AtomicFile::Flush::Later))
        return failed(Status::Failed, errno);
    // A copy counts as done only when the file in place has the size of its source.
    if (fileSize(to) != copied) return failed(Status::Failed, EIO);
    return {Status::Copied, 0, identityOf(st)};
}

bool copyFile(const std::string& from, const std::string& to, bool durable) {
    return copyFileChecked(from, to, durable).ok();
}

bool flushFiles(const std::vector<std::string>& paths) {
    bool ok = true;
    std::set<std::string> folders;
    for (const std::string& path : paths) {
        Fd fd(openRetry(path.c_str(), O_RDONLY | O_CLOEXEC));
        ok = fd.valid() && ::fsync(fd.get()) == 0 && ok;
        folders.insert(std::string(parentPath(path)));
    }
    // Folders that refuse fsync (some file systems do) hold the names anyway.
    for (const std::string& folder : folders) {
        Fd fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd.valid()) ::fsync(fd.get());
    }
    return ok;
}

bool moveFile(const std::string& from, const std::string& to) {
    if (injectedFailure()) return false;
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;

    // Another file system: copy (flushed to the disk by copyFile), check the
    // size, and only then delete the source.
    const std::optional<std::uint64_t> size = fileSize(from);
    if (!size || !copyFile(from, to)) return false;
    if (fileSize(to) != size) {
        ::unlink(to.c_str());
        return false;
    }
    if (::unlink(from.c_str()) != 0) {
        // The source cannot go (e.g. a read-only folder): take back the copy so
        // the file does not end up in two places.
        ::unlink(to.c_str());
        return false;
    }
    return true;
}

LinkResult linkFile(const std::string& from, const std::string& to) {
    if (injectedFailure()) return LinkResult::Failed;
    // Only a file itself gets a second name; a symbolic link is copied (its
    // target is what the user sees).
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return LinkResult::Failed;
    if (!S_ISREG(st.st_mode)) return LinkResult::Unsupported;
    if (::link(from.c_str(), to.c_str()) == 0) return LinkResult::Linked;
    switch (errno) {
    case EXDEV:
    case EPERM:  // file systems without hard links (FAT cards) say so
    case ENOTSUP:
#if EOPNOTSUPP != ENOTSUP
    case EOPNOTSUPP:
#endif
    case EMLINK: return LinkResult::Unsupported;
    default: return LinkResult::Failed;
    }
}

RenameResult renameNoReplace(const std::string& from, const std::string& to) {
    if (injectedFailure()) return RenameResult::Failed;
    // link + unlink never replaces an existing target, unlike rename.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) == 0) return RenameResult::Renamed;
        ::unlink(to.c_str());
        return RenameResult::Failed;
    }
    const int linkError = errno;
    if (linkError == EXDEV) return RenameResult::OtherFileSystem;
    if (linkError != EPERM && linkError != ENOTSUP && linkError != EOPNOTSUPP) return RenameResult::Failed;
    // File systems without hard links (FAT cards): check, then rename.
    if (exists(to)) return RenameResult::Failed;
    if (::rename(from.c_str(), to.c_str()) == 0) return RenameResult::Renamed;
    return errno == EXDEV ? RenameResult::OtherFileSystem : RenameResult::Failed;
}

bool deleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool makeDirectory(const std::string& path) {
    if (!isDirectory(path) && injectedFailure()) return false;
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    return errno == EEXIST && isDirectory(path);
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    // Create every level from the top; an existing level is passed over.
    for (std::size_t pos = path.find(kSeparator, 1); pos != std::string::npos;
         pos = path.find(kSeparator, pos + 1)) {
        if (path[pos - 1] == kSeparator) continue;
        if (!makeDirectory(path.substr(0, pos))) return false;
    }
    return makeDirectory(path);
}

bool removeDirectory(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool deleteTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    bool all = true;
    if (const auto entries = listDirectory(path))
        for (const DirEntry& entry : *entries) all = deleteTree(joinPath(path, entry.name)) && all;
    return ::rmdir(path.c_str()) == 0 && all;
}

std::optional<std::vector<DirEntry>> listDirectory(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return std::nullopt;
    std::vector<DirEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            if (errno != 0) {
                ::closedir(dir);
                return std::nullopt;
            }
            break;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        DirEntry entry;
        entry.name = e->d_name;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            entry.isDirectory = ::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                                S_ISDIR(st.st_mode);
        } else {
            entry.isDirectory = e->d_type == DT_DIR;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::optional<bool> isReadOnly(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool setReadOnly(const std::string& path, bool readOnly) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (readOnly) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        // Write access goes back to whoever may read the file, within what the
        // umask allows for new files; the owner always gets it.
        mode_t write = 0;
        if (mode & S_IRGRP) write |= S_IWGRP;
        if (mode & S_IROTH) write |= S_IWOTH;
        mode |= (write & ~static_cast<mode_t>(processUmask())) | S_IWUSR;
    }
    if (mode == (st.st_mode & 07777)) return true;
    return ::chmod(path.c_str(), mode) == 0;
}

std::optional<std::int64_t> lastWriteTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

bool setLastWriteTime(const std::string& path, std::int64_t nanoseconds) {
    std::int64_t seconds = nanoseconds / 1'000'000'000;
    std::int64_t rest = nanoseconds % 1'000'000'000;
    if (rest < 0) {  // times before 1970: keep tv_nsec within [0, 1e9)
        rest += 1'000'000'000;
        --seconds;
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(rest);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

int openError(const std::string& path) {
    Fd fd(openRetry(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    return fd.valid() ? 0 : errno;
}

void removeEmptyTree(const std::string& folder) {
    if (const auto entries = listDirectory(folder))
        for (const auto& entry : *entries)
            if (entry.isDirectory) removeEmptyTree(joinPath(folder, entry.name));
    removeDirectory(folder);
}

namespace {

// The process that made a file named ".NAME.tmp-PID-N", the name AtomicFile
// gives its temporary file; nullopt for any other name.
std::optional<long> temporaryFileOwner(std::string_view name) {
    const auto digits = [](std::string_view t) {
        return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (name.size() < 2 || name[0] != '.') return std::nullopt;
    const std::size_t countDash = name.rfind('-');
    if (countDash == std::string_view::npos || !digits(name.substr(countDash + 1))) return std::nullopt;
    const std::size_t marker = name.rfind(".tmp-", countDash);
    if (marker == std::string_view::npos || marker == 0 || marker + 5 > countDash) return std::nullopt;
    const std::string_view pid = name.substr(marker + 5, countDash - marker - 5);
    if (!digits(pid) || pid.size() > 9) return std::nullopt;
    return std::stol(std::string(pid));
}

template <typename Stale>
void removeTemporaries(const std::string& folder, bool recursive, const Stale& stale) {
    const auto entries = listDirectory(folder);
    if (!entries) return;
    for (const auto& entry : *entries) {
        const std::string path = joinPath(folder, entry.name);
        if (entry.isDirectory) {
            if (recursive) removeTemporaries(path, true, stale);
        } else if (const auto owner = temporaryFileOwner(entry.name); owner && stale(*owner)) {
            ::unlink(path.c_str());
        }
    }
}

}  // namespace

void removeTemporaryFiles(const std::string& folder, long pid, bool recursive) {
    removeTemporaries(folder, recursive, [pid](long owner) { return owner == pid; });
}

void removeStaleTemporaryFiles(const std::string& folder, bool recursive) {
    const long self = static_cast<long>(::getpid());
    removeTemporaries(folder, recursive, [self](long owner) {
        return owner != self && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
    });
}

std::optional<std::uint64_t> freeSpace(const std::string& path) {
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(vfs.f_bavail) * static_cast<std::uint64_t>(vfs.f_frsize);
}

std::optional<std::string> canonicalPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return std::nullopt;
    std::string out(resolved);
    std::free(resolved);
    return out;
}

}  // namespace lumbrel::platform
