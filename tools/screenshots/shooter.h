#pragma once
// What the screenshot program's parts share: the shooter that saves a
// widget as PNG, and the list of further screenshot groups that other files
// add (each with a static ShotGroup), run after the pages and load dialogs.

#include <QApplication>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <vector>

namespace lumbrel::ui {
class DesktopProgram;
}

namespace lumbrel::screenshots {

class Shooter {
public:
    explicit Shooter(QString dir) : dir_(std::move(dir)) {}

    // Shows w, lets it paint, and saves what it shows as NAME.png.
    bool shoot(QWidget* w, const QString& name) {
        w->show();
        w->raise();
        for (int i = 0; i < 10; ++i) QApplication::processEvents();
        const QString path = dir_ + '/' + name + QStringLiteral(".png");
        if (!w->grab().save(path)) {
            std::fprintf(stderr, "ui-screenshots: cannot write %s\n", qPrintable(path));
            return false;
        }
        std::printf("%s\n", qPrintable(path));
        return true;
    }

private:
    QString dir_;
};

/// A group of screenshots of the running program; false when one failed.
using ShotGroupFn = std::function<bool(Shooter&, ui::DesktopProgram&)>;

inline std::vector<ShotGroupFn>& shotGroups() {
    static std::vector<ShotGroupFn> groups;
    return groups;
}

/// Adds a group at start-up: `static ShotGroup group([](Shooter& s, ui::DesktopProgram& p) { ... });`
struct ShotGroup {
    explicit ShotGroup(ShotGroupFn fn) { shotGroups().push_back(std::move(fn)); }
};

}  // namespace lumbrel::screenshots
