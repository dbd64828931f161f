#pragma once
// The Delete page: "Delete" removes the selected libraries from the disk and
// the index; "Select" marks or unmarks the picture on display, and "Delete
// images" removes the marked pictures. The preview is always on; a mark over
// it tells that the picture on display is marked. Every refill of the list
// clears the marks.

#include "ui/list_page.h"

namespace lumbrel::ui {

class DeletePage : public ListPage {
    Q_OBJECT
public:
    DeletePage(app::Settings* settings, LibraryCommands* commands, QWidget* parent = nullptr);

    QPushButton* markButton() const { return mark_; }
    QPushButton* deleteImagesButton() const { return deleteImages_; }
    QPushButton* deleteButton() const { return delete_; }

    /// Marks or unmarks the picture on display.
    void toggleMark();
    void deleteLibraries();
    void deleteMarkedImages();

protected:
    void enableCommands(int selected) override;
    void previewChanged() override;
    void beforeRefill() override;

private:
    QPushButton* mark_;
    QPushButton* deleteImages_;
    QPushButton* delete_;
};

}  // namespace lumbrel::ui
