#pragma once
// "Confirmation for Deletion": a picture marked for deletion is read-only.
// The question shows the picture; "Delete" deletes it all the same,
// "Cancel" keeps it.

#include <QDialog>

#include <string>

namespace lumbrel::ui {

class PreviewBox;

class ReadOnlyDialog : public QDialog {
    Q_OBJECT
public:
    /// preview: the picture to show (its preview file).
    explicit ReadOnlyDialog(const std::string& preview, QWidget* parent = nullptr);

    PreviewBox* picture() const { return picture_; }

private:
    PreviewBox* picture_;
};

}  // namespace lumbrel::ui
