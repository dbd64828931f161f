#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string_view>

#include "platform/files.h"

namespace lumbrel::platform {
namespace {

std::optional<dev_t> deviceOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return st.st_dev;
}

// The device of path, or of its nearest folder that exists (a trash not yet made).
std::optional<dev_t> deviceOfNearest(std::string path) {
    while (!path.empty()) {
        if (const auto device = deviceOf(path)) return device;
        if (path == "/") break;
        path = std::string(parentPath(path));
        if (path.empty()) path = "/";
    }
    return std::nullopt;
}

// The top folder of the file system that holds path: the highest ancestor on
// the same device.
std::string topDirectory(const std::string& path, dev_t device) {
    std::string top(parentPath(path));
    if (top.empty()) top = "/";
    while (top != "/") {
        std::string up(parentPath(top));
        if (up.empty()) up = "/";
        if (deviceOf(up) != device) break;
        top = std::move(up);
    }
    return top;
}

// Path= value of an info file: the path as a URI path, every byte other than
// the unreserved ones and "/" percent-escaped.
std::string escapedPath(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~' || c == '/') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// A trash folder with its files/ and info/ folders, made when missing (the
// trash itself with mode 700); false when it cannot be.
bool prepareTrash(const std::string& trash) {
    if (!isDirectory(trash) && ::mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST) return false;
    for (const char* part : {"files", "info"}) {
        const std::string folder = joinPath(trash, part);
        if (!isDirectory(folder) && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return isDirectory(joinPath(trash, "files")) && isDirectory(joinPath(trash, "info"));
}

// $topdir/.Trash/$UID when $topdir/.Trash is a real folder with the sticky
// bit, else $topdir/.Trash-$UID; empty when neither can be made.
std::string topTrash(const std::string& top) {
    const std::string uid = std::to_string(::getuid());
    const std::string shared = joinPath(top, ".Trash");
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string own = joinPath(shared, uid);
        if (prepareTrash(own)) return own;
    }
    const std::string own = joinPath(top, ".Trash-" + uid);
    struct stat ownStat {};
    // A link or a file of that name is not a trash of this user's.
    if (::lstat(own.c_str(), &ownStat) == 0 && (!S_ISDIR(ownStat.st_mode) || ownStat.st_uid != ::getuid())) return {};
    return prepareTrash(own) ? own : std::string();
}

// An info file without its item that a stopped move of the item at
// shownPath left: cut short, or naming that very path.
bool leftByStoppedMove(const std::string& info, const std::string& shownPath) {
    const auto bytes = readFile(info, 1 << 16);
    if (!bytes) return false;
    const std::string text(bytes->begin(), bytes->end());
    const bool complete = text.starts_with("[Trash Info]\n") && text.find("\nDeletionDate=") != std::string::npos &&
                          text.ends_with("\n");
    return !complete || text.find("\nPath=" + escapedPath(shownPath) + "\n") != std::string::npos;
}

// Writes info/NAME.trashinfo under a name not yet taken (NAME, "NAME.2", ...)
// and returns NAME; nullopt when it cannot.
std::optional<std::string> writeInfo(const std::string& trash, std::string_view name, const std::string& shownPath) {
    const std::string text = "[Trash Info]\nPath=" + escapedPath(shownPath) + "\nDeletionDate=" + deletionDate() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? std::string(name) : std::string(name) + "." + std::to_string(n);
        const std::string info = joinPath(joinPath(trash, "info"), candidate + ".trashinfo");
        if (exists(joinPath(joinPath(trash, "files"), candidate))) continue;
        int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST && leftByStoppedMove(info, shownPath)) {
            // The same item's info from a move that was stopped before the
            // item followed it (or while it was written): taken over.
            ::unlink(info.c_str());
            fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        }
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        // The info file is on the disk before its item moves.
        if (!written || !flushFiles({info})) {
            ::unlink(info.c_str());
            return std::nullopt;
        }
        return candidate;
    }
    return std::nullopt;
}

}  // namespace

std::string homeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return joinPath(data, "Trash");
    const char* home = std::getenv("HOME");
    return joinPath(joinPath(home && *home ? home : "/", ".local/share"), "Trash");
}

TrashResult moveToTrash(const std::string& path, const std::string& originalPath) {
    const auto device = deviceOf(path);
    if (!device || path.empty() || path.front() != '/') return TrashResult::Failed;
    const std::string& original = originalPath.empty() ? path : originalPath;
    if (original.front() != '/') return TrashResult::Failed;
    std::string trash, shownPath = original;
    const std::string home = homeTrash();
    if (deviceOfNearest(home) == device) {
        const std::string data(parentPath(home));
        if (!makeDirectories(data) || !prepareTrash(home)) return TrashResult::NoTrash;
        trash = home;
    } else {
        const std::string top = topDirectory(path, *device);
        trash = topTrash(top);
        if (trash.empty()) return TrashResult::NoTrash;
        // A top-folder trash names its items relative to the top folder.
        shownPath = top == "/" ? original.substr(1) : original.substr(top.size() + 1);
    }
    const std::optional<std::string> name = writeInfo(trash, lastComponent(original), shownPath);
    if (!name) return TrashResult::NoTrash;
    const std::string info = joinPath(joinPath(trash, "info"), *name + ".trashinfo");
    const std::string target = joinPath(joinPath(trash, "files"), *name);
    if (::rename(path.c_str(), target.c_str()) != 0) {
        ::unlink(info.c_str());
        return errno == EXDEV ? TrashResult::NoTrash : TrashResult::Failed;
    }
    flushFiles({std::string(parentPath(path)), joinPath(trash, "files")});
    return TrashResult::Trashed;
}

}  // namespace lumbrel::platform
