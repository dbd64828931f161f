#include "ui/delete_page.h"

#include <algorithm>

#include "app/busy_flag.h"
#include "maintenance/delete_libraries.h"
#include "ui/library_commands.h"

namespace lumbrel::ui {

namespace ml = maintenance;

DeletePage::DeletePage(app::Settings* settings, LibraryCommands* commands, QWidget* parent)
    : ListPage(kPageDelete, Features{false, false}, settings, commands, parent),
      mark_(addCommandButton(QStringLiteral("Select(&S)"))),
      deleteImages_(addCommandButton(QStringLiteral("Delete images(&E)"))),
      delete_(addCommandButton(QStringLiteral("Delete(&D)"))) {
    mark_->setObjectName(QStringLiteral("ImageSelect"));
    deleteImages_->setObjectName(QStringLiteral("ImageDelete"));
    delete_->setObjectName(QStringLiteral("delete"));
    connect(mark_, &QPushButton::clicked, this, &DeletePage::toggleMark);
    connect(deleteImages_, &QPushButton::clicked, this, &DeletePage::deleteMarkedImages);
    connect(delete_, &QPushButton::clicked, this, &DeletePage::deleteLibraries);
    updateFromDocument();
}

void DeletePage::enableCommands(int selected) { delete_->setEnabled(selected >= 1); }

void DeletePage::beforeRefill() {
    if (library::CKDCardAlbumDoc* doc = document()) ml::resetMarks(*doc);
    deleteImages_->setEnabled(false);
}

// "Select" goes with a picture on display; the mark shows when it is marked.
void DeletePage::previewChanged() {
    const std::vector<int> rows = selectedRows();
    const bool showing = rows.size() == 1 && !previewEntries().empty();
    mark_->setEnabled(showing);
    const library::CKDCardAlbumDoc* doc = document();
    preview()->setMarkVisible(showing && doc && ml::isMarked(*doc, model()->location(rows.front()), previewIndex()));
}

void DeletePage::toggleMark() {
    app::BusyScope busy;
    const std::vector<int> rows = selectedRows();
    library::CKDCardAlbumDoc* doc = document();
    if (rows.empty() || !doc || previewEntries().empty()) return;
    const bool marked = ml::toggleMark(*doc, model()->location(rows.front()), previewIndex());
    preview()->setMarkVisible(marked);
    deleteImages_->setEnabled(true);
}

void DeletePage::deleteLibraries() {
    app::BusyScope busy;
    const std::vector<std::string> selected = selectedLocations();
    if (selected.empty() || !commands()) return;
    ml::DeleteLibrariesResult result;
    whileDisabled([&] { result = commands()->deleteLibraries(selected); });
    if (!result.confirmed) {
        // The marks are gone; the picture on display shows unmarked.
        deleteImages_->setEnabled(false);
        updatePreview();
        list()->setFocus();
        return;
    }
    updateFromDocument();
    list()->setFocus();
}

void DeletePage::deleteMarkedImages() {
    app::BusyScope busy;
    const std::vector<int> rows = selectedRows();
    if (!commands()) return;
    ml::DeleteImagesRequest request;
    for (int row = 0; row < model()->rowCount(); ++row) request.rows.push_back(model()->location(row));
    const int firstRow = rows.empty() ? 0 : rows.front();
    if (!rows.empty()) request.firstSelected = model()->location(firstRow);
    request.previewIndex = previewIndex();
    ml::DeleteImagesResult result;
    whileDisabled([&] { result = commands()->deleteMarkedImages(request); });
    if (!result.confirmed) {
        list()->setFocus();
        return;
    }
    updateFromDocument();
    if (model()->rowCount() == 0) {
        list()->setFocus();
        return;
    }
    // The library that was selected, or the row that took its place.
    int row = request.firstSelected.empty() ? -1 : model()->rowOf(request.firstSelected);
    if (row < 0) row = std::clamp(firstRow, 0, model()->rowCount() - 1);
    selectRows({row});
    if (!previewEntries().empty()) showEntry(std::min(result.previewIndex, previewEntries().size() - 1));
}

}  // namespace lumbrel::ui
