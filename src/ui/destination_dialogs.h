#pragma once
// The destination of a copy, a move or the move of the image library root,
// chosen in a folder tree beside the volume to be carried and the free space
// of the drive chosen. OK waits for a folder (in the copy dialog, one other
// than the image library root); a folder without room, or one inside what is
// carried, is refused when OK is pressed and the dialog stays open.
//   FolderVolumeDialog (162): Copy and Move of the selected libraries.
//   SaveFolderDialog (160, "Specify folder"): the move of the image library root.

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

#include "maintenance/carry.h"

class QLabel;
class QPushButton;

namespace lumbrel::ui {

class FolderTree;

class DestinationDialog : public QDialog {
    Q_OBJECT
public:
    /// The destination as chosen (UTF-8, as the command takes it); empty before OK.
    std::string destination() const { return destination_; }
    /// The folder chosen in the tree (empty: none).
    QString chosenPath() const { return chosen_; }
    /// Chooses path in the tree, as a click on it would.
    bool choose(const QString& path);

    FolderTree* tree() const { return tree_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* pathLabel() const { return path_; }
    QLabel* volumeFigure() const { return volume_; }
    QLabel* freeFigure() const { return free_; }
    /// The text of the last refusal shown, empty when none was.
    QString lastRefusal() const { return lastRefusal_; }

    void accept() override;

protected:
    /// kind: what is carried; volumeKilobytes: its size; carried: the
    /// library folders (or the root) being carried; saveFolder: the image
    /// library root. tree: the tree to choose in (taken over).
    DestinationDialog(maintenance::CarryKind kind, const QString& prompt, const QString& volumeLabel,
                      const QString& okText, std::uint64_t volumeKilobytes, std::vector<std::string> carried,
                      std::string saveFolder, FolderTree* tree, QWidget* parent);

private:
    void onChosen(const QString& path);
    void refuse(const QString& caption, const QString& text);

    maintenance::CarryKind kind_;
    std::uint64_t volumeKilobytes_;
    std::vector<std::string> carried_;
    std::string saveFolder_;
    FolderTree* tree_;
    QLabel* path_;
    QLabel* volume_;
    QLabel* free_;
    QPushButton* ok_;
    QString chosen_;
    std::string destination_;
    QString lastRefusal_;
};

class FolderVolumeDialog : public DestinationDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 162;

    /// kind: Copy or Move; locations: the selected libraries.
    FolderVolumeDialog(maintenance::CarryKind kind, std::uint64_t volumeKilobytes, std::vector<std::string> locations,
                       std::string saveFolder, QWidget* parent = nullptr, FolderTree* tree = nullptr);
};

class SaveFolderDialog : public DestinationDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 160;

    /// volumeKilobytes: the whole library; saveFolder: the root to be moved.
    SaveFolderDialog(std::uint64_t volumeKilobytes, std::string saveFolder, QWidget* parent = nullptr,
                     FolderTree* tree = nullptr);
};

}  // namespace lumbrel::ui
