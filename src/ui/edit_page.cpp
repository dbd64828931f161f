#include "ui/edit_page.h"

#include <QMessageBox>
#include <QPointer>

#include <algorithm>

#include "app/busy_flag.h"
#include "app/strings.h"
#include "ui/change_title_dialog.h"
#include "ui/library_commands.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {

namespace ml = maintenance;

EditPage::EditPage(app::Settings* settings, LibraryCommands* commands, QWidget* parent)
    : ListPage(kPageEdit, Features{}, settings, commands, parent),
      title_(addCommandButton(QStringLiteral("Change title(&T)"))),
      rebuild_(addCommandButton(QStringLiteral("Rebuild(&R)"))) {
    title_->setObjectName(QStringLiteral("titlechange"));
    rebuild_->setObjectName(QStringLiteral("reform"));
    connect(title_, &QPushButton::clicked, this, &EditPage::changeTitle);
    connect(rebuild_, &QPushButton::clicked, this, &EditPage::rebuild);
    updateFromDocument();
}

void EditPage::enableCommands(int selected) {
    title_->setEnabled(selected == 1);
    rebuild_->setEnabled(selected >= 1);
}

void EditPage::changeTitle() {
    app::BusyScope busy;
    const std::vector<int> rows = selectedRows();
    if (rows.empty() || !commands()) return;
    const std::string location = model()->location(rows.front());
    QPointer<ChangeTitleDialog> dialog = new ChangeTitleDialog(model()->item(rows.front()).title, window());
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    const std::string title = accepted ? dialog->title() : std::string();
    delete dialog.data();
    if (accepted) {
        ml::TitleResult result = ml::TitleResult::Changed;
        whileDisabled([&] { result = commands()->changeTitle(location, title); });
        updateFromDocument();
        // The library keeps its place in the list unless the list is sorted by title.
        const int row = model()->rowOf(location);
        selectRows({row >= 0 ? row : rows.front()});
        if (result == ml::TitleResult::SaveFailed)
            QMessageBox::warning(window(), qt(app::kMessageCaption),
                                 QStringLiteral("The library index cannot be written; the title stays as it was."));
    }
    list()->setFocus();
}

void EditPage::rebuild() {
    app::BusyScope busy;
    const std::vector<std::string> locations = selectedLocations();
    if (locations.empty() || !commands()) return;
    ml::RebuildResult result;
    whileDisabled([&] { result = commands()->rebuildSelected(locations); });
    if (result.confirmed) {
        updateFromDocument();
        std::vector<int> rows;
        for (const std::string& kept : result.kept)
            if (const int row = model()->rowOf(kept); row >= 0) rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        selectRows(rows);
    }
    list()->setFocus();
}

}  // namespace lumbrel::ui
