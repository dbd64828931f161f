#pragma once
// "Enter title": the title of a library just loaded, shown next to the folder
// it was loaded from. The field takes at most 40 characters, counted as the
// loader counts them (code points, never half of one), so that what the user
// sees is exactly what the library keeps.

#include <QDialog>

#include "camera/image_loader.h"

#include <string>

class QLineEdit;

namespace lumbrel::ui {

class TitleDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxCharacters = qsizetype(camera::kTitleCharacters);

    /// folderShown: the source folder as the loader shows it (already shortened).
    explicit TitleDialog(const QString& folderShown, QWidget* parent = nullptr);

    /// The title entered (UTF-8), possibly empty.
    std::string title() const;

    void done(int result) override;

private:
    QLineEdit* title_;
};

}  // namespace lumbrel::ui
