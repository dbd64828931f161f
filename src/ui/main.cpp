// Lumbrel [--home DIR]: the desktop program. Runs the same start-up as the
// command line on the same program folder, settings and index, then shows
// the main window. A second start brings the running window forward.
// Lumbrel [--home DIR] --register | --unregister: makes lumbrel-open-url the
// desktop's program for the album pages' mail and print links, or undoes it;
// the window's first start registers too.

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "app/program_folder.h"
#include "app/url_handler.h"
#include "ui/app_icon.h"
#include "ui/desktop_program.h"

namespace {

constexpr const char* kUsage = "usage: Lumbrel [--home DIR] [--register | --unregister]\n";

// The program folder lumbrel-open-url is to check links against; empty when
// it is the folder beside the program (found without being named).
std::string registeredHome(const std::string& home, const std::string& openUrl) {
    std::string problem;
    const auto folder = lumbrel::app::findProgramFolder(home, problem);
    return folder ? lumbrel::app::homeArgument(openUrl, *folder) : std::string();
}

// --register and --unregister need no display: they are handled before the
// application object is made. Nothing when neither is given.
std::optional<int> registration(int argc, char** argv) {
    std::string home;
    int action = 0;  // 1 register, -1 unregister
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--home") == 0 && i + 1 < argc) home = argv[++i];
        else if (std::strcmp(argv[i], "--register") == 0) action = 1;
        else if (std::strcmp(argv[i], "--unregister") == 0) action = -1;
    }
    if (action == 0) return std::nullopt;
    // Failures are ignored: the buttons then do nothing, as without a mail
    // or print program.
    if (action < 0) {
        lumbrel::app::unregisterUrlHandler();
    } else {
        const std::string openUrl = lumbrel::app::openUrlProgramPath();
        lumbrel::app::registerUrlHandler(openUrl, registeredHome(home, openUrl));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = registration(argc, argv)) return *status;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumbrel"));
    QApplication::setWindowIcon(lumbrel::ui::applicationIcon());
    std::string home;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--home") && i + 1 < args.size()) {
            home = args[++i].toStdString();
        } else if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            std::printf("%s", kUsage);
            return 0;
        } else {
            std::fprintf(stderr, "Lumbrel: unknown argument %s\n%s", qPrintable(args[i]), kUsage);
            return 2;
        }
    }
    lumbrel::ui::DesktopProgram program(home);
    if (const auto status = program.start()) return *status;
    // The first start's registration asks xdg-mime, which takes a moment: it
    // runs beside the window instead of before its first paint, and is
    // waited for at the end.
    std::jthread registering([home] {
        const std::string openUrl = lumbrel::app::openUrlProgramPath();
        lumbrel::app::registerUrlHandlerIfStale(openUrl, registeredHome(home, openUrl));
    });
    const int status = QApplication::exec();
    program.finish();
    return status;
}
