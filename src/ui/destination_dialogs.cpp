#include "ui/destination_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "maintenance/library_list.h"
#include "ui/folder_tree.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

namespace ml = maintenance;
using ml::CarryKind;

QString captionOf(CarryKind kind) {
    switch (kind) {
        case CarryKind::Copy: return qt(app::text(app::kStrCopyCaption));
        case CarryKind::Move: return qt(app::text(app::kStrMoveCaption));
        case CarryKind::MoveRoot: return qt(app::text(app::kStrMoveRootCaption));
    }
    return {};
}

QLabel* figureLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("0,000,000,000")));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMargin(2);
    return label;
}

}  // namespace

DestinationDialog::DestinationDialog(CarryKind kind, const QString& prompt, const QString& volumeLabel,
                                     const QString& okText, std::uint64_t volumeKilobytes,
                                     std::vector<std::string> carried, std::string saveFolder, FolderTree* tree,
                                     QWidget* parent)
    : QDialog(parent),
      kind_(kind),
      volumeKilobytes_(volumeKilobytes),
      carried_(std::move(carried)),
      saveFolder_(std::move(saveFolder)),
      tree_(tree ? tree : new FolderTree(this)),
      path_(new QLabel(this)),
      volume_(figureLabel(this, "volume")),
      free_(figureLabel(this, "free")) {
    tree_->setParent(this);
    tree_->setMinimumSize(360, 260);
    auto* promptLabel = new QLabel(prompt, this);
    promptLabel->setObjectName(QStringLiteral("prompt"));
    path_->setObjectName(QStringLiteral("path"));
    path_->setTextFormat(Qt::PlainText);
    path_->setFrameShape(QFrame::StyledPanel);
    path_->setFrameShadow(QFrame::Sunken);
    path_->setMargin(3);
    path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 34);
    volume_->setText(qt(ml::groupedKilobytes(volumeKilobytes_)));

    const QString unit = qt(app::text(app::kStrKilobytes));
    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(8);
    figures->addWidget(new QLabel(volumeLabel, this), 0, 0);
    figures->addWidget(volume_, 0, 1);
    figures->addWidget(new QLabel(unit, this), 0, 2);
    figures->addWidget(new QLabel(qt(app::kFreeSpaceLabel), this), 1, 0);
    figures->addWidget(free_, 1, 1);
    figures->addWidget(new QLabel(unit, this), 1, 2);
    figures->setColumnStretch(0, 1);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    ok_->setObjectName("ok");
    ok_->setDefault(true);
    ok_->setEnabled(false);
    buttons->addButton(qt(app::kButtonCancel), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &DestinationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel);
    layout->addWidget(tree_, 1);
    layout->addWidget(path_);
    layout->addSpacing(4);
    layout->addLayout(figures);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setWindowTitle(captionOf(kind));
    connect(tree_, &FolderTree::pathChosen, this, &DestinationDialog::onChosen);
    tree_->setFocus();
}

bool DestinationDialog::choose(const QString& path) { return tree_->choosePath(path); }

// A new folder in the tree: its path, whether OK can take it, and the free
// space of its drive.
void DestinationDialog::onChosen(const QString& path) {
    chosen_ = path;
    const std::string chosen = path.toStdString();
    ok_->setEnabled(!chosen.empty() && ml::destinationSelectable(kind_, ml::destinationPath(chosen), saveFolder_));
    path_->setText(qt(ml::dialogPathText(chosen)));
    const std::optional<std::uint64_t> free = chosen.empty() ? std::nullopt : ml::freeKilobytes(chosen);
    free_->setText(free ? qt(ml::groupedKilobytes(*free)) : QString());
}

void DestinationDialog::accept() {
    if (chosen_.isEmpty()) return;
    const std::string dest = ml::destinationPath(chosen_.toStdString());
    switch (ml::checkDestination(kind_, dest, volumeKilobytes_, carried_, saveFolder_)) {
        case ml::DestinationProblem::None:
            destination_ = dest;
            QDialog::accept();
            return;
        case ml::DestinationProblem::NoPath:
        case ml::DestinationProblem::IsSaveFolder:
            ok_->setEnabled(false);
            return;
        case ml::DestinationProblem::NoRoom:
            if (kind_ == CarryKind::MoveRoot)
                refuse(captionOf(kind_), qt(app::kNoRoomRootLine1) + '\n' + qt(app::kNoRoomRootLine2));
            else
                refuse(captionOf(kind_), qt(app::kNoRoomLine1) + '\n' + qt(app::kNoRoomLine2));
            return;
        case ml::DestinationProblem::InsideCarried:
            refuse(captionOf(kind_),
                   kind_ == CarryKind::MoveRoot
                       ? QStringLiteral("The folder chosen lies inside the image library.\n"
                                        "Choose a folder outside it.")
                       : QStringLiteral("The folder chosen lies inside a library being carried.\n"
                                        "Choose a folder outside the selected libraries."));
            return;
    }
}

void DestinationDialog::refuse(const QString& caption, const QString& text) {
    lastRefusal_ = text;
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Warning, caption, text, QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->exec();
    delete box.data();
}

FolderVolumeDialog::FolderVolumeDialog(CarryKind kind, std::uint64_t volumeKilobytes,
                                       std::vector<std::string> locations, std::string saveFolder, QWidget* parent,
                                       FolderTree* tree)
    : DestinationDialog(kind,
                        qt(app::text(kind == CarryKind::Copy ? app::kStrCopyPrompt : app::kStrMovePrompt)),
                        qt(app::kVolumeSelectedLabel), qt(app::kButtonOk), volumeKilobytes, std::move(locations),
                        std::move(saveFolder), tree, parent) {}

SaveFolderDialog::SaveFolderDialog(std::uint64_t volumeKilobytes, std::string saveFolder, QWidget* parent,
                                   FolderTree* tree)
    : DestinationDialog(CarryKind::MoveRoot, qt(app::kSaveFolderPrompt), qt(app::kVolumeLibraryLabel),
                        qt(app::kSaveFolderOk), volumeKilobytes, {saveFolder}, saveFolder, tree, parent) {
    setWindowTitle(qt(app::kSaveFolderCaption));
}

}  // namespace lumbrel::ui
