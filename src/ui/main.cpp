// Lumbrel [--home DIR]: the desktop program. Runs the same start-up as the
// command line on the same program folder, settings and index, then shows
// the main window. A second start brings the running window forward.

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/app_icon.h"
#include "ui/desktop_program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumbrel"));
    QApplication::setWindowIcon(lumbrel::ui::applicationIcon());
    std::string home;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--home") && i + 1 < args.size()) {
            home = args[++i].toStdString();
        } else if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            std::printf("usage: Lumbrel [--home DIR]\n");
            return 0;
        } else {
            std::fprintf(stderr, "Lumbrel: unknown argument %s\nusage: Lumbrel [--home DIR]\n", qPrintable(args[i]));
            return 2;
        }
    }
    lumbrel::ui::DesktopProgram program(home);
    if (const auto status = program.start()) return *status;
    const int status = QApplication::exec();
    program.finish();
    return status;
}
