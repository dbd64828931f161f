#include "ui/other_images_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/strings.h"
#include "media/avi_frame.h"
#include "platform/files.h"
#include "platform/utf8.h"
#include "ui/folder_tree.h"
#include "ui/preview_box.h"
#include "ui/qt_text.h"

namespace lumbrel::ui {
namespace {

namespace ml = maintenance;

constexpr int kPathRole = Qt::UserRole + 1;
constexpr QSize kPreviewSize(200, 150);

QString fromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
std::string toPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QLabel* sunkenLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMargin(3);
    return label;
}

QPushButton* namedButton(std::string_view text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(qt(text), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

OtherImagesDialog::OtherImagesDialog(std::string programFolder, bool showPreviews, QWidget* parent, FolderTree* tree,
                                     std::vector<camera::MountedRoot> mounts)
    : QDialog(parent),
      programFolder_(std::move(programFolder)),
      mounts_(std::move(mounts)),
      showPreviews_(showPreviews),
      tree_(tree ? tree : new FolderTree(this)),
      path_(sunkenLabel(this, "path")),
      add_(namedButton(ml::kOtherImagesAdd, "add", this)),
      delete_(namedButton(ml::kOtherImagesDelete, "delete", this)),
      listBox_(new QListWidget(this)),
      preview_(new PreviewBox(this)),
      previewChoice_(new QCheckBox(qt(ml::kOtherImagesPreview), this)),
      back_(namedButton(ml::kOtherImagesBack, "back", this)),
      next_(namedButton(ml::kOtherImagesNext, "next", this)),
      saving_(new QButtonGroup(this)),
      copy_(new QRadioButton(qt(ml::kOtherImagesCopy), this)),
      move_(new QRadioButton(qt(ml::kOtherImagesMove), this)),
      load_(new QPushButton(qt(ml::kOtherImagesLoad), this)),
      cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setWindowTitle(qt(ml::kOtherImagesCaption));
    tree_->setParent(this);
    tree_->setMinimumSize(280, 260);
    path_->setMinimumWidth(path_->fontMetrics().averageCharWidth() * 34);

    auto* hint = new QLabel(qt(ml::kOtherImagesHint), this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setBuddy(tree_);
    auto* listLabel = new QLabel(qt(ml::kOtherImagesList), this);
    listLabel->setObjectName(QStringLiteral("listLabel"));
    listLabel->setBuddy(listBox_);
    listBox_->setObjectName(QStringLiteral("folderList"));
    listBox_->setSelectionMode(QAbstractItemView::SingleSelection);
    listBox_->setMinimumWidth(listBox_->fontMetrics().averageCharWidth() * 26);
    previewChoice_->setObjectName(QStringLiteral("previewChoice"));
    preview_->setFixedSize(kPreviewSize);
    copy_->setObjectName(QStringLiteral("copy"));
    move_->setObjectName(QStringLiteral("move"));
    load_->setObjectName(QStringLiteral("load"));
    load_->setDefault(true);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAutoDefault(false);

    // The folder tree, the buttons between it and the folder list, the list.
    auto* moves = new QVBoxLayout;
    moves->addStretch(1);
    moves->addWidget(add_);
    moves->addWidget(delete_);
    moves->addStretch(1);
    auto* folders = new QGridLayout;
    folders->setHorizontalSpacing(10);
    folders->addWidget(hint, 0, 0);
    folders->addWidget(listLabel, 0, 2);
    folders->addWidget(tree_, 1, 0);
    folders->addLayout(moves, 1, 1);
    folders->addWidget(listBox_, 1, 2);
    folders->addWidget(path_, 2, 0);
    folders->setColumnStretch(0, 3);
    folders->setColumnStretch(2, 2);
    folders->setRowStretch(1, 1);

    // The preview box with its switch and steps.
    auto* steps = new QHBoxLayout;
    steps->addWidget(back_);
    steps->addWidget(next_);
    steps->addStretch(1);
    auto* previewControls = new QVBoxLayout;
    previewControls->addWidget(previewChoice_);
    previewControls->addLayout(steps);
    previewControls->addStretch(1);
    auto* previewRow = new QHBoxLayout;
    previewRow->setSpacing(10);
    previewRow->addWidget(preview_, 0, Qt::AlignTop);
    previewRow->addLayout(previewControls);

    // "Specify saving", Load and Cancel.
    auto* savingBox = new QGroupBox(qt(ml::kOtherImagesSaving), this);
    savingBox->setObjectName(QStringLiteral("saving"));
    auto* savingRow = new QHBoxLayout(savingBox);
    savingRow->addWidget(copy_);
    savingRow->addWidget(move_);
    savingRow->addStretch(1);
    saving_->addButton(copy_, ml::kChoiceCopy);
    saving_->addButton(move_, ml::kChoiceMove);
    copy_->setChecked(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(load_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &OtherImagesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* endColumn = new QVBoxLayout;
    endColumn->addWidget(savingBox);
    endColumn->addStretch(1);
    endColumn->addWidget(buttons);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(16);
    bottom->addLayout(previewRow, 1);
    bottom->addLayout(endColumn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folders, 1);
    layout->addSpacing(6);
    layout->addLayout(bottom);

    // Opening: nothing chosen yet, so nothing to add, delete, step through or load.
    add_->setEnabled(false);
    delete_->setEnabled(false);
    back_->setEnabled(false);
    next_->setEnabled(false);
    load_->setEnabled(false);
    previewChoice_->setChecked(showPreviews_);

    connect(tree_, &FolderTree::pathChosen, this, &OtherImagesDialog::onChosen);
    connect(previewChoice_, &QCheckBox::toggled, this, &OtherImagesDialog::onPreviewToggled);
    connect(back_, &QPushButton::clicked, this, [this] { step(-1); });
    connect(next_, &QPushButton::clicked, this, [this] { step(+1); });
    connect(add_, &QPushButton::clicked, this, &OtherImagesDialog::add);
    connect(delete_, &QPushButton::clicked, this, &OtherImagesDialog::remove);
    connect(listBox_, &QListWidget::itemSelectionChanged, this, &OtherImagesDialog::onListSelection);
    tree_->setFocus();
}

int OtherImagesDialog::choice() const { return move_->isChecked() ? ml::kChoiceMove : ml::kChoiceCopy; }

bool OtherImagesDialog::choose(const QString& path) { return tree_->choosePath(path); }

// A new folder in the tree: whether it can be added (drive roots and the
// tree's virtual items cannot), its path, and its first picture.
void OtherImagesDialog::onChosen(const QString& path) {
    selected_ = ml::treePath(toPath(path), mounts_);
    add_->setEnabled(ml::addable(selected_));
    path_->setText(qt(ml::selectedPathText(selected_)));
    path_->setToolTip(fromPath(selected_));
    index_ = 0;
    refreshPreview();
}

void OtherImagesDialog::onPreviewToggled(bool on) {
    if (on) {
        refreshPreview();
        return;
    }
    images_.clear();
    back_->setEnabled(false);
    next_->setEnabled(false);
    preview_->clear();
}

// The files of the selected folder, read again, and the one at the preview
// index; a drive root or a folder without pictures shows nothing.
void OtherImagesDialog::refreshPreview() {
    if (!previewChoice_->isChecked()) return;
    images_ = ml::addable(selected_) ? ml::folderImageList(selected_) : std::vector<std::string>{};
    const bool any = !images_.empty();
    back_->setEnabled(any);
    next_->setEnabled(any);
    if (!any) {
        preview_->clear();
        return;
    }
    // The folder may hold fewer files than when the index was set.
    if (index_ >= images_.size()) index_ = 0;
    showCurrent();
}

// Back (-1) and Next (+1), from the first file round to the last and back.
void OtherImagesDialog::step(int by) {
    if (images_.empty()) {
        preview_->clear();
        return;
    }
    if (by < 0)
        index_ = index_ == 0 ? images_.size() - 1 : index_ - 1;
    else
        index_ = index_ + 1 >= images_.size() ? 0 : index_ + 1;
    showCurrent();
}

void OtherImagesDialog::showCurrent() {
    const std::string& file = images_[index_];
    if (platform::endsWithNoCase(file, ".AVI"))
        showMovieFrame(file);
    else
        preview_->showEntry(file);  // clears the box when the file does not load
}

// The movie's first frame goes to avitemp.jpg, shows from there (the box
// keeps the decoded picture) and the file is deleted again, whatever happened.
bool OtherImagesDialog::showMovieFrame(const std::string& movie) {
    const std::string frameFile = platform::joinPath(programFolder_, ml::kMovieFrameFile);
    bool shown = false;
    try {
        const auto avi = platform::readFile(movie);
        const auto frame = avi && !avi->empty() ? media::extractFirstFrame(*avi) : std::nullopt;
        shown = frame && platform::writeFileAtomic(frameFile, *frame, platform::AtomicFile::Flush::Later) &&
                preview_->showEntry(frameFile);
    } catch (...) {
        // No memory for the movie: no preview.
        shown = false;
    }
    platform::deleteFile(frameFile);
    if (!shown) preview_->clear();
    return shown;
}

// Add: refused with 142 (Move of a network folder) or 143 (no picture in it);
// a folder listed already, or a full list, takes nothing and says nothing.
void OtherImagesDialog::add() {
    if (!ml::addable(selected_)) return;
    if (const auto refusal = ml::checkAdd(selected_, choice(), mounts_)) {
        refuse(*refusal);
        return;
    }
    if (list_.add(selected_) == ml::OtherFolderList::Added::Added) {
        const std::string& folder = list_.folders().back();
        auto* item = new QListWidgetItem(qt(ml::listedPathText(folder)));
        item->setData(kPathRole, fromPath(folder));
        item->setToolTip(fromPath(folder));
        listBox_->addItem(item);
    }
    load_->setEnabled(listBox_->count() > 0);
}

void OtherImagesDialog::remove() {
    const QList<QListWidgetItem*> chosen = listBox_->selectedItems();
    if (chosen.isEmpty()) return;
    const int row = listBox_->row(chosen.front());
    delete listBox_->takeItem(row);
    list_.remove(static_cast<std::size_t>(row));
    // Removing the current row makes the next one current and selected;
    // Delete waits for the user's next choice, so nothing is selected.
    listBox_->clearSelection();
    listBox_->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    delete_->setEnabled(false);
    load_->setEnabled(listBox_->count() > 0);
}

void OtherImagesDialog::onListSelection() {
    const bool chosen = !listBox_->selectedItems().isEmpty();
    delete_->setEnabled(chosen);
    if (chosen) load_->setEnabled(true);
}

// Load: every listed folder is looked at again, as it may have lost its
// pictures (147) since it was added, and Move may have been chosen since a
// network folder was added (142); either keeps the dialog open.
void OtherImagesDialog::accept() {
    if (list_.empty()) return;
    if (const auto refusal = ml::checkLoad(list_.folders(), choice(), mounts_)) {
        refuse(*refusal);
        return;
    }
    showPreviews_ = previewChoice_->isChecked();
    QDialog::accept();
}

void OtherImagesDialog::refuse(const ml::OtherImagesMessage& message) {
    lastMessage_ = message;
    if (shower_) {
        shower_(message);
        return;
    }
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Warning, qt(message.caption), qt(message.text), QMessageBox::Ok, this);
    box->setTextFormat(Qt::PlainText);
    box->exec();
    delete box.data();
}

}  // namespace lumbrel::ui
