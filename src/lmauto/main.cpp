// Lmauto: watches the mount table and, for every removable drive that is newly
// mounted, appends its root to the automatic-loading request file in the
// program folder, where the main program picks it up. One copy runs per user;
// it prints nothing but errors.
//
//   Lmauto [--home DIR] [--once]
//
// --home DIR  the program folder (default: $LUMBREL_HOME, else the folder of
//             this program)
// --once      request every removable drive mounted now, then end (no watch)
//
// LUMBREL_DRIVES names a fake drive table to use instead of the mount table
// (see camera/drive_list.h).

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/program_folder.h"
#include "camera/drive_list.h"
#include "camera/request_file.h"
#include "platform/files.h"
#include "platform/single_instance.h"

namespace {

using namespace lumbrel;

constexpr std::string_view kInstanceName = "Lmauto";

bool request(const std::string& requestFile, const std::vector<std::string>& roots) {
    if (camera::appendRequestFile(requestFile, roots)) return true;
    std::cerr << "Lmauto: cannot write " << requestFile << "\n";
    return false;
}

std::vector<std::string> mountedRemovableRoots() { return camera::removableRoots(camera::enumerateDrives()); }

// Waits for changes of the mount table (the kernel flags them on an open
// mountinfo file with POLLPRI/POLLERR) and requests the removable drives that
// were not mounted before. Returns only on an error.
int watch(const std::string& requestFile) {
    platform::SingleInstance instance{std::string(kInstanceName)};
    if (!instance.acquire()) return 0;  // another copy watches already

    const int table = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (table < 0) {
        std::cerr << "Lmauto: cannot open the mount table: " << std::strerror(errno) << "\n";
        return 1;
    }
    std::vector<std::string> known = mountedRemovableRoots();
    for (;;) {
        pollfd fds[2] = {{table, POLLPRI, 0}, {instance.fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            std::cerr << "Lmauto: cannot watch the mount table: " << std::strerror(errno) << "\n";
            ::close(table);
            return 1;
        }
        // A later copy asking this one to come forward: nothing to show.
        if (fds[1].revents & POLLIN) instance.pollRaiseRequests({});
        if (fds[0].revents & (POLLPRI | POLLERR)) {
            std::vector<std::string> current = mountedRemovableRoots();
            if (const auto added = camera::newRoots(known, current); !added.empty()) request(requestFile, added);
            known = std::move(current);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string home;
    bool once = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--once") {
            once = true;
        } else if (arg == "--home" && i + 1 < argc) {
            home = argv[++i];
        } else {
            std::cerr << "usage: Lmauto [--home DIR] [--once]\n";
            return 2;
        }
    }
    std::string error;
    const auto folder = app::findProgramFolder(home, error);
    if (!folder) {
        std::cerr << "Lmauto: " << error << "\n";
        return 1;
    }
    const std::string requestFile = platform::joinPath(*folder, app::kRequestFileName);
    if (once) return request(requestFile, mountedRemovableRoots()) ? 0 : 1;
    return watch(requestFile);
}
