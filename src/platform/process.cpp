#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace lumbrel::platform {
namespace {

// program and args as exec takes them, ending in a null pointer; valid while
// the strings are.
std::vector<char*> argumentVector(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Closes every descriptor from 3 upwards except keep. Runs between fork and
// exec, so it only makes system calls.
void closeOtherDescriptors(int keep) {
    const unsigned int k = static_cast<unsigned int>(keep);
    const bool ranged = (k <= 3 || ::close_range(3, k - 1, 0) == 0) && ::close_range(k + 1, ~0U, 0) == 0;
    if (ranged) return;
    long max = ::sysconf(_SC_OPEN_MAX);
    if (max < 0 || max > 65536) max = 65536;
    for (int fd = 3; fd < max; ++fd)
        if (fd != keep) ::close(fd);
}

// Writes the errno of a failed step to the report pipe and leaves.
[[noreturn]] void failChild(int reportFd) {
    const int error = errno;
    ssize_t n;
    do {
        n = ::write(reportFd, &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::_exit(127);
}

}  // namespace

std::string runningProgramPath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(n));
            return buffer;
        }
        if (buffer.size() >= 65536) return {};
        buffer.resize(buffer.size() * 2);  // the link may have been cut off: try a larger buffer
    }
}

bool startDetached(const std::string& program, const std::vector<std::string>& args,
                   const std::string& workingFolder) {
    struct stat st;
    if (program.empty() || ::stat(program.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::access(program.c_str(), X_OK) != 0)
        return false;

    // Everything the children need is prepared here: after fork only system
    // calls are made, as the parent may have other threads.
    std::vector<char*> argv = argumentVector(program, args);

    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it (close-on-exec), so the parent reads end of file.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        // With standard streams closed the pipe may have got one of 0-2, which
        // the redirection to /dev/null below would overwrite.
        int reportFd = report[1];
        if (reportFd <= 2) {
            reportFd = ::fcntl(reportFd, F_DUPFD_CLOEXEC, 3);
            if (reportFd < 0) ::_exit(127);
        }
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) failChild(reportFd);
        if (grandchild > 0) ::_exit(0);

        // The grandchild: not a session leader, so it can never take a
        // controlling terminal; its parent exits now and init adopts it.
        sigset_t all;
        ::sigemptyset(&all);
        ::sigprocmask(SIG_SETMASK, &all, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &dfl, nullptr);

        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0) failChild(reportFd);
        if (::dup2(null, 0) < 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0) failChild(reportFd);
        closeOtherDescriptors(reportFd);
        if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) failChild(reportFd);
        ::execv(program.c_str(), argv.data());
        failChild(reportFd);
    }

    ::close(report[1]);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    // ECHILD: the caller ignores SIGCHLD, so the child was reaped already.
    const bool childOk = (waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0) ||
                         (waited < 0 && errno == ECHILD);

    int error = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    return childOk && n == 0;
}

std::optional<int> runProgram(const std::string& program, const std::vector<std::string>& args) {
    if (program.empty()) return std::nullopt;
    std::vector<char*> argv = argumentVector(program, args);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child) return std::nullopt;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

std::optional<std::string> programOutput(const std::string& program, const std::vector<std::string>& args,
                                         std::size_t maxBytes, std::chrono::milliseconds timeout) {
    if (program.empty()) return std::nullopt;
    std::vector<char*> argv = argumentVector(program, args);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return std::nullopt;
    }

    // Read until the program closes its output, the limit is reached (the
    // rest is drained and dropped) or the time is up.
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fd{out[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            timedOut = true;
            break;
        }
        if (ready < 0) break;
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        const std::size_t room = maxBytes - text.size();
        text.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
    ::close(out[0]);
    if (timedOut) ::kill(child, SIGKILL);
    int status = 0;
    pid_t waited;
    do {
        waited = ::waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (timedOut || waited != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

}  // namespace lumbrel::platform
