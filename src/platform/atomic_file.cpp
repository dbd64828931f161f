#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace lumbrel::platform {

namespace {

// The folder a file lives in, usable for open(): "." for a bare name and "/"
// for a file in the root folder.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind(kSeparator);
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

timespec toTimespec(std::int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    t.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1'000'000'000;
        --t.tv_sec;
    }
    return t;
}

}  // namespace

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {
    const std::string_view name = lastComponent(target_);
    struct stat st {};
    replaces_ = ::stat(target_.c_str(), &st) == 0;
    if (name.empty() || (replaces_ && S_ISDIR(st.st_mode))) {
        failed_ = true;
        return;
    }
    const std::string folder = folderOf(target_);
    // Names may be up to 255 bytes; leave room for the dot and the suffix.
    const std::string base = (folder == "/" ? folder : folder + kSeparator) + "." + std::string(name.substr(0, 200)) + ".tmp-";
    // Created with the mode of any new file (0666 less the umask), so that a
    // new target needs no change of mode; the process id and a count make the
    // name unique, and a name left by a crashed run is passed over.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temp_ = base + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_.c_str());
    }
}

bool AtomicFile::write(std::span<const std::uint8_t> bytes) {
    if (!ok()) return false;
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::uint64_t> AtomicFile::copyFrom(int fd) {
    if (!ok()) return std::nullopt;
    std::uint64_t copied = 0;
    bool kernelCopy = true;
    std::uint8_t buffer[128 * 1024];
    for (;;) {
        if (kernelCopy) {
            const ssize_t n = ::copy_file_range(fd, nullptr, fd_, nullptr, 1 << 30, 0);
            if (n < 0 && errno == EINTR) continue;
            // Not between these files, or an error whose side (the source or
            // the target) the kernel does not tell: go on through memory,
            // where a failed read and a failed write are told apart.
            if (n < 0) {
                kernelCopy = false;
                continue;
            }
            if (n == 0) return copied;
            copied += static_cast<std::uint64_t>(n);
            continue;
        }
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            sourceError_ = errno;
            failed_ = true;
            return std::nullopt;
        }
        if (n == 0) return copied;
        if (!write(std::span(buffer, static_cast<std::size_t>(n)))) return std::nullopt;
        copied += static_cast<std::uint64_t>(n);
    }
}

bool AtomicFile::setTimes(std::int64_t accessNs, std::int64_t writeNs) {
    const timespec times[2] = {toTimespec(accessNs), toTimespec(writeNs)};
    if (ok() && ::futimens(fd_, times) == 0) return true;
    failed_ = true;
    return false;
}

bool AtomicFile::commit(Flush flush) {
    if (!ok()) return false;
    if (injectedFailure()) {
        failed_ = true;
        return false;  // the destructor removes the temporary file
    }
    // The temporary file has the mode of a new file; one that replaces a
    // file keeps that file's mode, unless a mode was given.
    struct stat st {};
    bool done = true;
    if (mode_ >= 0) done = ::fchmod(fd_, static_cast<mode_t>(mode_)) == 0;
    else if (::stat(target_.c_str(), &st) == 0) done = ::fchmod(fd_, st.st_mode & 07777) == 0;
    if (flush == Flush::Now)
        done = done && ::fsync(fd_) == 0;
    else  // start writing the data back without waiting for it
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
    done = ::close(fd_) == 0 && done;  // close can report a late write error
    fd_ = -1;
    if (!done || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        failed_ = true;
        return false;
    }
    if (flush == Flush::Later) return true;
    // Flush the rename itself. Some file systems refuse fsync on folders; the
    // rename has happened either way.
    const int dir = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace lumbrel::platform
