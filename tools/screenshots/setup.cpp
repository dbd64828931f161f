// The Setup page's four tabs, and the "Mail Settings" note of its first
// opening. The mail list shows the desktop's default mail program as
// installed (a desktop entry with a theme icon) and the other two programs
// as not installed, whatever the machine running the shots has.

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include <optional>
#include <string>

#include "app/mail_software.h"
#include "screenshots/shooter.h"
#include "ui/desktop_program.h"
#include "ui/qt_text.h"
#include "ui/setup_page.h"

namespace lumbrel::screenshots {
namespace {

// Row 1 installed through a mailto handler whose entry names a theme icon.
app::MailLookup fakeMail(const std::string& entry) {
    return {[](std::string_view) -> std::optional<std::string> { return std::nullopt; },
            [] { return std::optional<std::string>("photo-mail.desktop"); },
            [entry](std::string_view) { return std::optional<std::string>(entry); }};
}

// The note as the first opening shows it: the one still open from the
// frame's own Setup page when the run began on a fresh profile, else a new one.
QMessageBox* mailNote(QWidget* parent) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->objectName() == QLatin1String("mailNote"))
            return box;
    auto* box = new QMessageBox(QMessageBox::Information, ui::qt(ui::kMailNoteCaption), ui::qt(ui::kMailNoteText),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

const ShotGroup group([](Shooter& shooter, ui::DesktopProgram& program) {
    // The icon theme of the desktop the shots stand for, where the machine
    // has it (without a desktop session Qt looks in its resources only).
    if (QDir(QStringLiteral("/usr/share/icons/Adwaita")).exists()) {
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() << QStringLiteral("/usr/share/icons"));
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    QTemporaryDir dir;
    const QString entry = dir.filePath(QStringLiteral("photo-mail.desktop"));
    QFile file(entry);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write("[Desktop Entry]\nType=Application\nName=Photo Mail\nExec=true %u\nIcon=mail-unread\n");
    file.close();

    bool ok = true;
    QMessageBox* note = mailNote(&program.frame());
    ok = shooter.shoot(note, QStringLiteral("setup-mail-note")) && ok;
    note->close();

    ui::SetupPage::Options options;
    options.mail = fakeMail(QFile::encodeName(entry).toStdString());
    ui::SetupPage page(program.session().application().settings(), program.libraryCommands(), options);
    page.navigation()->setAutomaticLoading(program.automaticLoading());
    page.resize(program.frame().pageSize());
    const std::pair<int, const char*> tabs[] = {{ui::SetupPage::General, "setup-general"},
                                                {ui::SetupPage::Camera, "setup-camera"},
                                                {ui::SetupPage::Option, "setup-option"},
                                                {ui::SetupPage::Version, "setup-version"}};
    for (const auto& [tab, name] : tabs) {
        page.tabs()->setCurrentIndex(tab);
        ok = shooter.shoot(&page, QString::fromLatin1(name)) && ok;
    }
    page.close();
    return ok;
});

}  // namespace
}  // namespace lumbrel::screenshots
