#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

namespace lumbrel::platform {
namespace {

// Abstract-namespace address "\0<name>.<uid>", cut to fit sun_path.
socklen_t makeAddress(const std::string& name, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    const std::string id = name + "." + std::to_string(::getuid());
    const std::size_t length = std::min(id.size(), sizeof addr.sun_path - 1);
    std::memcpy(addr.sun_path + 1, id.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

enum class RaiseResult { Sent, NoListener, Failed };

// Asks the copy listening at addr to come forward. Does not wait for a copy
// that is too busy to accept; it still owns the name.
RaiseResult sendRaise(const sockaddr_un& addr, socklen_t length) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return RaiseResult::Failed;
    RaiseResult result = RaiseResult::Failed;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0) {
        static constexpr char kRequest[] = "raise\n";
        ssize_t n;
        do {
            n = ::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        result = n == static_cast<ssize_t>(sizeof kRequest - 1) ? RaiseResult::Sent : RaiseResult::Failed;
    } else if (errno == ECONNREFUSED) {
        result = RaiseResult::NoListener;
    }
    ::close(fd);
    return result;
}

// Reads one request line from a new connection, waiting briefly for the sender
// to write it. Empty when nothing arrives or the line is too long.
std::string readRequest(int fd) {
    std::string line;
    char buffer[64];
    while (line.size() < 64) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 200);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {};
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        line.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = line.find('\n');
        if (end != std::string::npos) return line.substr(0, end);
    }
    return {};
}

}  // namespace

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) ::close(fd_);
}

bool SingleInstance::acquire() {
    if (fd_ >= 0) return true;
    sockaddr_un addr;
    const socklen_t length = makeAddress(name_, addr);

    // Two tries: a copy that is just closing frees the name between our bind
    // and our connect.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return false;
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0) {
            if (::listen(fd, 16) != 0) {
                ::close(fd);
                return false;
            }
            fd_ = fd;
            return true;
        }
        const int error = errno;
        ::close(fd);
        if (error != EADDRINUSE) return false;
        // Another copy owns the name: ask it to come forward. Only when nobody
        // listens any more (it is closing) is the name worth another try.
        if (sendRaise(addr, length) != RaiseResult::NoListener) return false;
    }
    return false;
}

int SingleInstance::pollRaiseRequests(const std::function<void()>& onRaise) {
    if (fd_ < 0) return 0;
    int count = 0;
    for (;;) {
        const int conn = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (conn < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;  // EAGAIN: no more pending connections
        }
        const std::string request = readRequest(conn);
        ::close(conn);
        if (request == "raise" || request == "raise\r") {
            ++count;
            if (onRaise) onRaise();
        }
    }
    return count;
}

FolderLock::FolderLock(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

FolderLock::~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace lumbrel::platform
