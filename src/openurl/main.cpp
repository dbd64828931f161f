// lumbrel-open-url [--home DIR] URL: the program the desktop starts for the
// album pages' lumbrel-mail: and lumbrel-print: links. It reads the link into
// the control's properties, checks that it names a picture of the image
// library of the program folder's index, and clicks the mail or print
// control (their cores are linked in). A refused or failed link does nothing
// else than say why on standard error; the exit status is then 1.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "mailctl/mail_control.h"
#include "openurl/control_url.h"
#include "openurl/url_guard.h"
#include "platform/files.h"
#include "printctl/print_control.h"

namespace {

using namespace lumbrel;

int refuse(const std::string& why) {
    std::fprintf(stderr, "lumbrel-open-url: refused: %s\n", why.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr, "usage: lumbrel-open-url [--home DIR] lumbrel-mail:?...|lumbrel-print:?...\n");
    return 2;
}

// The library folders of the program folder's index.
std::optional<std::vector<std::string>> libraryFolders(const std::string& home, std::string& why) {
    const auto folder = app::findProgramFolder(home, why);
    if (!folder) return std::nullopt;
    library::CKDCardAlbumDoc doc;
    const std::string index = platform::joinPath(*folder, library::kIndexFileName);
    if (!library::openIndexFile(index, doc).ok()) {
        why = "the index cannot be read: " + index;
        return std::nullopt;
    }
    std::vector<std::string> folders;
    for (const auto& album : doc.albums()) folders.push_back(album->folderPath);
    return openurl::canonicalFolders(folders);
}

// A mail program that was running already takes the message from its compose
// command and reads the attachment only when the user sends it: the shrunk
// copy then stays an hour (LUMBREL_MAIL_KEEP_MS for tests), in a process of
// its own.
constexpr auto kHandOver = std::chrono::seconds(5);

std::chrono::milliseconds keepHandedOver() {
    if (const char* text = std::getenv("LUMBREL_MAIL_KEEP_MS"); text && *text) {
        char* end = nullptr;
        const long long ms = std::strtoll(text, &end, 10);
        if (*end == '\0' && ms >= 0) return std::chrono::milliseconds(ms);
    }
    return std::chrono::hours(1);
}

// Runs removal after keepHandedOver() in a detached process (double fork, new
// session, standard streams on /dev/null), so that the browser that started
// this program is not kept waiting. This program has one thread, so the
// child may run any code.
bool removeLater(const std::function<void()>& removal) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) ::_exit(0);
        if (const int null = ::open("/dev/null", O_RDWR); null >= 0)
            for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
        std::this_thread::sleep_for(keepHandedOver());
        removal();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int mail(const openurl::ControlUrl& link, const openurl::CheckedTarget& target) {
    mailctl::MailProperties properties;
    properties.imagePath = target.imagePath;
    properties.imageFile = target.imageFile;
    properties.mailName = link.value("Mailer");
    if (const std::string size = link.value("ImageSize"); !size.empty() &&
        !mailctl::setProperty(properties, "ImageSize", size))
        return refuse("ImageSize is no number: " + size);
    mailctl::MailServices services = mailctl::MailServices::system();
    services.handOver = kHandOver;
    services.removeLater = removeLater;
    const mailctl::MailResult result = mailctl::doClick(properties, services);
    switch (result.outcome) {
        case mailctl::MailOutcome::Composed: return 0;
        case mailctl::MailOutcome::NoMailProgram:
            std::fprintf(stderr, "lumbrel-open-url: no mail program is chosen (%s)\n", properties.mailName.c_str());
            return 1;
        case mailctl::MailOutcome::NotInstalled:
            std::fprintf(stderr, "lumbrel-open-url: the mail program is not installed: %s\n",
                         properties.mailName.c_str());
            return 1;
        case mailctl::MailOutcome::ComposeFailed:
            std::fprintf(stderr, "lumbrel-open-url: the mail program's compose command failed\n");
            return 1;
    }
    return 1;
}

int print(const openurl::CheckedTarget& target) {
    const printctl::PrintOutcome outcome = printctl::doClick({target.imagePath, target.imageFile});
    if (outcome == printctl::PrintOutcome::Started) return 0;
    std::fprintf(stderr, outcome == printctl::PrintOutcome::NoProgram
                             ? "lumbrel-open-url: no print program: AppPaths has no [Pressa.exe] with a Path\n"
                             : "lumbrel-open-url: the print program cannot be started\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string home;
    std::string url;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) {
            home = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            usage();
            return 0;
        } else if (url.empty()) {
            url = argv[i];
        } else {
            return usage();
        }
    }
    if (url.empty()) return usage();

    std::string why;
    const auto link = openurl::parseControlUrl(url, why);
    if (!link) return refuse(why);
    const auto folders = libraryFolders(home, why);
    if (!folders) return refuse(why);
    const auto target = openurl::checkTarget(*link, *folders, why);
    if (!target) return refuse(why);
    return link->kind == openurl::ControlKind::Mail ? mail(*link, *target) : print(*target);
}
