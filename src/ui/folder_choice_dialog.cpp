#include "ui/folder_choice_dialog.h"
#include "ui/qt_text.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/strings.h"
#include "camera/camera_folders.h"

namespace lumbrel::ui {
namespace {


constexpr int kListCharacters = 26;
constexpr int kListRows = 8;

// Takes the selected row out of list; -1 when none is selected.
int takeSelectedRow(QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) return -1;
    const int row = list->row(selected.front());
    delete list->takeItem(row);
    // Removing the current row makes the next one current and selected; the
    // buttons say "nothing selected" afterwards, so nothing is.
    list->clearSelection();
    list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
    return row;
}

}  // namespace

FolderChoiceDialog::FolderChoiceDialog(std::vector<std::string> folders, QWidget* parent)
    : QDialog(parent),
      folders_(std::move(folders)),
      foundList_(new QListWidget(this)),
      chosenList_(new QListWidget(this)),
      add_(new QPushButton(qt(app::kFolderChoiceAdd), this)),
      delete_(new QPushButton(qt(app::kFolderChoiceDelete), this)),
      load_(new QPushButton(qt(app::kFolderChoiceLoad), this)),
      cancel_(new QPushButton(qt(app::kButtonCancel), this)) {
    setWindowTitle(qt(app::kFolderChoiceCaption));
    foundList_->setObjectName("found");
    chosenList_->setObjectName("chosen");
    add_->setObjectName("add");
    delete_->setObjectName("delete");
    load_->setObjectName("load");
    cancel_->setObjectName("cancel");

    auto* foundLabel = new QLabel(qt(app::kFolderChoiceFoundList), this);
    foundLabel->setBuddy(foundList_);
    auto* chosenLabel = new QLabel(qt(app::kFolderChoiceList), this);
    chosenLabel->setBuddy(chosenList_);

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(add_);
    moves->addWidget(delete_);
    moves->addStretch();

    auto* lists = new QGridLayout;
    lists->addWidget(foundLabel, 0, 0);
    lists->addWidget(chosenLabel, 0, 2);
    lists->addWidget(foundList_, 1, 0);
    lists->addLayout(moves, 1, 1);
    lists->addWidget(chosenList_, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(load_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qt(app::kFolderChoiceFound), this));
    layout->addWidget(new QLabel(qt(app::kFolderChoiceHint), this));
    layout->addSpacing(6);
    layout->addLayout(lists);
    layout->addLayout(buttons);

    // A shortened path is about 20 characters: lists a little wider than
    // that and some eight rows high hold several cards without scrolling.
    for (QListWidget* list : {foundList_, chosenList_})
        list->setMinimumSize(list->fontMetrics().averageCharWidth() * kListCharacters,
                             list->fontMetrics().height() * kListRows);
    resize(minimumSizeHint());

    for (std::size_t i = 0; i < folders_.size(); ++i) {
        append(foundList_, i);
        found_.push_back(i);
    }
    add_->setEnabled(false);
    delete_->setEnabled(false);
    load_->setEnabled(false);
    load_->setDefault(true);

    connect(foundList_, &QListWidget::itemSelectionChanged, this,
            [this] { add_->setEnabled(!foundList_->selectedItems().isEmpty()); });
    connect(chosenList_, &QListWidget::itemSelectionChanged, this,
            [this] { delete_->setEnabled(!chosenList_->selectedItems().isEmpty()); });
    connect(add_, &QPushButton::clicked, this, &FolderChoiceDialog::addSelected);
    connect(delete_, &QPushButton::clicked, this, &FolderChoiceDialog::deleteSelected);
    connect(load_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void FolderChoiceDialog::append(QListWidget* list, std::size_t folder) {
    auto* item = new QListWidgetItem(qt(camera::folderDisplayText(folders_[folder])), list);
    item->setToolTip(qt(folders_[folder]));
}

void FolderChoiceDialog::addSelected() {
    const int row = takeSelectedRow(foundList_);
    if (row < 0) return;
    const std::size_t folder = found_[static_cast<std::size_t>(row)];
    found_.erase(found_.begin() + row);
    append(chosenList_, folder);
    chosen_.push_back(folder);
    add_->setEnabled(false);
    load_->setEnabled(true);
    load_->setFocus();
}

void FolderChoiceDialog::deleteSelected() {
    const int row = takeSelectedRow(chosenList_);
    if (row < 0) return;
    const std::size_t folder = chosen_[static_cast<std::size_t>(row)];
    chosen_.erase(chosen_.begin() + row);
    append(foundList_, folder);
    found_.push_back(folder);
    delete_->setEnabled(false);
    if (chosen_.empty()) {
        load_->setEnabled(false);
        cancel_->setFocus();
    } else {
        load_->setFocus();
    }
}

}  // namespace lumbrel::ui
