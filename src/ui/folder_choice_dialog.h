#pragma once
// The folder choice: several camera folders were found, and the user moves the
// ones to load, in the order they are to be loaded, from the list of folders
// found to the folder list. A path longer than a narrow list shows is given
// shortened (camera::folderDisplayText); the full paths stay in arrays kept
// parallel to the two lists.

#include <QDialog>

#include <cstddef>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace lumbrel::ui {

class FolderChoiceDialog : public QDialog {
    Q_OBJECT
public:
    /// folders: full paths (UTF-8) as they are to be shown, in list order.
    explicit FolderChoiceDialog(std::vector<std::string> folders, QWidget* parent = nullptr);

    /// Indices into the folders given of those in the folder list, in the
    /// order they were moved there.
    const std::vector<std::size_t>& chosen() const { return chosen_; }

private:
    void addSelected();
    void deleteSelected();
    /// Appends folder (an index into folders_) to list, shown shortened.
    void append(QListWidget* list, std::size_t folder);

    std::vector<std::string> folders_;
    std::vector<std::size_t> found_;   ///< parallel to foundList_
    std::vector<std::size_t> chosen_;  ///< parallel to chosenList_
    QListWidget* foundList_;
    QListWidget* chosenList_;
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* load_;
    QPushButton* cancel_;
};

}  // namespace lumbrel::ui
