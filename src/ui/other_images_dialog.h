#pragma once
// "Load other images" (161): the user picks folders in a folder tree and
// builds a list of up to 10 of them, chooses whether their pictures and
// movies are copied or moved into the image library, and may look through a
// folder's pictures in the preview box before adding it. Load hands the list
// and the choice to the caller; the rules of the list and its refusals are
// those of maintenance/other_images.h.
//
// The preview steps through the JPEG and AVI files of the folder chosen in
// the tree, sorted by name. A movie shows by its first frame, written for the
// moment to avitemp.jpg in the program folder and deleted again at once.

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/drive_list.h"
#include "maintenance/other_images.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace lumbrel::ui {

class FolderTree;
class PreviewBox;

class OtherImagesDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 161;

    /// Shows a refusal (142, 143, 147) to the user.
    using MessageShower = std::function<void(const maintenance::OtherImagesMessage&)>;

    /// programFolder: where the frame of a movie goes while it shows;
    /// showPreviews: the starting state of "Display preview images"; tree:
    /// the tree to choose in (taken over; null: home and the mounted drives);
    /// mounts: the drives that tell drive roots and network folders.
    OtherImagesDialog(std::string programFolder, bool showPreviews, QWidget* parent = nullptr,
                      FolderTree* tree = nullptr,
                      std::vector<camera::MountedRoot> mounts = camera::systemMountedRoots());

    /// The listed folders, in the order added (full paths).
    const std::vector<std::string>& folders() const { return list_.folders(); }
    /// 0 copy, 1 move (maintenance::OtherImagesChoice).
    int choice() const;
    /// "Display preview images" as it was when Load was pressed (before: as
    /// it started).
    bool showPreviews() const { return showPreviews_; }

    /// Replaces the message box (tests).
    void setMessageShower(MessageShower shower) { shower_ = std::move(shower); }
    /// The last refusal shown, if any.
    const std::optional<maintenance::OtherImagesMessage>& lastMessage() const { return lastMessage_; }

    /// Chooses path in the tree, as a click on it would.
    bool choose(const QString& path);
    /// The selected folder as the dialog reads it (a drive root ends in "/").
    const std::string& selectedPath() const { return selected_; }
    /// The preview's files of the selected folder and the one on show.
    const std::vector<std::string>& previewFiles() const { return images_; }
    std::size_t previewIndex() const { return index_; }

    FolderTree* tree() const { return tree_; }
    QLabel* pathLabel() const { return path_; }
    QListWidget* folderList() const { return listBox_; }
    PreviewBox* previewBox() const { return preview_; }
    QCheckBox* previewChoice() const { return previewChoice_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }
    QRadioButton* copyButton() const { return copy_; }
    QRadioButton* moveButton() const { return move_; }
    QPushButton* loadButton() const { return load_; }

    /// Load: refuses (142, 147) and stays, or ends the dialog with Load.
    void accept() override;

private:
    void onChosen(const QString& path);
    void onPreviewToggled(bool on);
    void refreshPreview();
    void step(int by);
    void showCurrent();
    bool showMovieFrame(const std::string& movie);
    void add();
    void remove();
    void onListSelection();
    void refuse(const maintenance::OtherImagesMessage& message);

    std::string programFolder_;
    std::vector<camera::MountedRoot> mounts_;
    bool showPreviews_;
    maintenance::OtherFolderList list_;
    std::string selected_;
    std::vector<std::string> images_;  ///< the preview's files of the selected folder
    std::size_t index_ = 0;
    MessageShower shower_;
    std::optional<maintenance::OtherImagesMessage> lastMessage_;

    FolderTree* tree_;
    QLabel* path_;
    QPushButton* add_;
    QPushButton* delete_;
    QListWidget* listBox_;
    PreviewBox* preview_;
    QCheckBox* previewChoice_;
    QPushButton* back_;
    QPushButton* next_;
    QButtonGroup* saving_;
    QRadioButton* copy_;
    QRadioButton* move_;
    QPushButton* load_;
    QPushButton* cancel_;
};

}  // namespace lumbrel::ui
