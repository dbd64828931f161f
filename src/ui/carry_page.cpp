#include "ui/carry_page.h"

#include <QMessageBox>
#include <QPointer>

#include "app/busy_flag.h"
#include "app/strings.h"
#include "maintenance/library_list.h"
#include "ui/destination_dialogs.h"
#include "ui/library_commands.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

namespace ml = maintenance;

CarryPage::CarryPage(Kind kind, app::Settings* settings, LibraryCommands* commands, QWidget* parent)
    : ListPage(kind == Kind::Copy ? kPageCopy : kPageMove, Features{true, true}, settings, commands, parent),
      kind_(kind),
      carry_(addCommandButton(kind == Kind::Copy ? QStringLiteral("Copy(&C)") : QStringLiteral("Move(&M)"))) {
    carry_->setObjectName(kind == Kind::Copy ? QStringLiteral("libcopy") : QStringLiteral("libmove"));
    connect(carry_, &QPushButton::clicked, this, &CarryPage::carry);
    updateFromDocument();
}

void CarryPage::enableCommands(int selected) { carry_->setEnabled(selected >= 1); }

void CarryPage::carry() {
    app::BusyScope busy;
    const std::vector<std::string> locations = selectedLocations();
    if (locations.empty() || !commands()) return;
    const ml::CarryKind kind = kind_ == Kind::Copy ? ml::CarryKind::Copy : ml::CarryKind::Move;
    const std::uint64_t volume = ml::storedBytes(commands()->document(), locations) / 1024;
    QPointer<FolderVolumeDialog> dialog =
        new FolderVolumeDialog(kind, volume, locations, commands()->saveFolder(), window());
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog;
    const std::string dest = chosen ? dialog->destination() : std::string();
    delete dialog.data();
    if (!chosen) {
        list()->setFocus();
        return;
    }
    ml::CarryResult result;
    whileDisabled([&] {
        result = kind == ml::CarryKind::Copy ? commands()->copyLibraries(locations, dest)
                                             : commands()->moveLibraries(locations, dest);
    });
    // A copy leaves the collection and the selection as they were.
    if (kind == ml::CarryKind::Move) updateFromDocument();
    QStringList notes;
    if (!result.keptInPlace.empty())
        notes << QStringLiteral("%1 files were moved but also left in their old place, because they changed while "
                                "they were moved.")
                     .arg(result.keptInPlace.size());
    if (result.notRestored > 0)
        notes << QStringLiteral("%1 files could not be put back in their old place.").arg(result.notRestored);
    if (!notes.isEmpty()) QMessageBox::warning(window(), qt(app::kMessageCaption), notes.join('\n'));
    list()->setFocus();
}

}  // namespace lumbrel::ui
