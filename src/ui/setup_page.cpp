#include "ui/setup_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>
#include <vector>

#include "app/busy_flag.h"
#include "app/program_folder.h"
#include "app/strings.h"
#include "maintenance/carry.h"
#include "maintenance/library_list.h"
#include "platform/autostart.h"
#include "ui/app_icon.h"
#include "ui/destination_dialogs.h"
#include "ui/library_commands.h"
#include "ui/mail_list.h"
#include "ui/qt_text.h"
#include "ui/template_dialog.h"

namespace lumbrel::ui {
namespace {

namespace ml = maintenance;
namespace setting = app::setting;
using app::SetupTab;

// Group labels of the tabs.
constexpr std::string_view kSortingGroup = "Library sorting method (effective from when next image is loaded)";
constexpr std::string_view kSaveFolderGroup = "Folder to save library:";
constexpr std::string_view kTitleGroup =
    "Enter the title after loading (effective only when images are loaded with sort by date)";
constexpr std::string_view kViewGroup = "Execute [View library] after saving";
constexpr std::string_view kTemplateGroup = "Select built-in template:";
constexpr std::string_view kCardUsbGroup = "Card/USB connection only";
constexpr std::string_view kAutomaticGroup = "Set up automatic loading (Effective from next restart)";
constexpr std::string_view kConfirmGroup = "Confirmation dialog box";
constexpr std::string_view kOriginalGroup = "Original image after saving";
constexpr std::string_view kRotationGroup = "Convert image aspect based on rotation information";
constexpr std::string_view kPrintGroup = "Add Print button";
constexpr std::string_view kMailGroup = "Select an email software";
constexpr std::string_view kSizeGroup = "Size of the attached image";
constexpr std::string_view kOptionsGroup = "Add/Delete Option button to the library (Time is required for processing)";
constexpr std::string_view kRebuildLabel = "Rebuild Library  ->";

// The window-modal note, closed by its OK; nothing waits for it.
QMessageBox* openMailNote(QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Information, qt(kMailNoteCaption), qt(kMailNoteText), QMessageBox::Ok,
                                parent);
    box->setObjectName(QStringLiteral("mailNote"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->show();
    return box;
}

// A group: its caption above its frame. The caption wraps, so that the long
// ones do not make the page wider than the window's page size.
QGroupBox* addGroup(QBoxLayout* column, std::string_view title, QWidget* parent) {
    auto* caption = new QLabel(qt(title), parent);
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);
    auto* box = new QGroupBox(parent);
    box->setAccessibleName(qt(title));
    auto* group = new QVBoxLayout;
    group->setSpacing(2);
    group->addWidget(caption);
    group->addWidget(box);
    column->addLayout(group);
    return box;
}

// A label showing a value (the template, a path, the mail program), sunken
// like a read-only field.
QLabel* valueLabel(const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumHeight(label->fontMetrics().height() + 6);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return label;
}

QPushButton* groupButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setMinimumWidth(110);
    return button;
}

// A value label with its button on the right, in one row.
QHBoxLayout* valueRow(QLabel* label, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(label, 1);
    row->addWidget(button);
    return row;
}

}  // namespace

SetupPage::SetupPage(app::Settings& settings, LibraryCommands* commands, QWidget* parent)
    : SetupPage(settings, commands, Options{}, parent) {}

SetupPage::SetupPage(app::Settings& settings, LibraryCommands* commands, Options options, QWidget* parent)
    : Page(kPageSetup, parent),
      settings_(settings),
      commands_(commands),
      mail_(std::move(options.mail)),
      places_(options.places ? std::move(*options.places)
                             : app::SetupPlaces{settings.programFolder(), platform::autostartFolder()}),
      pluginsFolder_(options.pluginsFolder ? std::move(*options.pluginsFolder)
                                           : app::pluginsFolder(settings.programFolder())),
      noteShower_(options.showNote ? std::move(options.showNote) : NoteShower(openMailNote)) {
    navigation()->button(NavButton::Setup)->setEnabled(false);
    // Read before the Option tab stores its first choice.
    firstOpening_ = !settings_.stored(setting::MailName);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("setupTabs"));
    tabs_->setDocumentMode(false);
    tabs_->addTab(makeGeneralTab(), qt(app::text(app::kStrTabGeneral)));
    tabs_->addTab(makeCameraTab(), qt(app::text(app::kStrTabCamera)));
    tabs_->addTab(makeOptionTab(), qt(app::text(app::kStrTabOption)));
    tabs_->addTab(makeVersionTab(), qt(app::text(app::kStrTabVersion)));
    for (int i = 0; i < tabs_->count(); ++i) tabs_->widget(i)->setAutoFillBackground(true);
    addToBody(tabs_, 1);

    showChoices();
    showSaveFolder();
    template_->setText(qt(app::templateLabel(settings_)));
    fillMailList();
    if (firstOpening_) {
        // The album pages need a mail program's name from the start; the note
        // tells that libraries made before keep theirs until rebuilt.
        app::BusyScope busy;
        settings_.set(setting::MailName, app::kMailSoftware[0].name);
        mailChoice_->setText(qt(app::kMailSoftware[0].name));
        notePending_ = true;
    }
    tabs_->setCurrentIndex(firstOpening_ ? Option : General);

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
        // Stepping through the tabs with the keys leaves the focus on them.
        if (tabs_->tabBar()->hasFocus()) return;
        if (QWidget* focus = tabFocus(tab)) focus->setFocus();
    });
    updateFromDocument();
}

void SetupPage::addChoiceGroup(QBoxLayout* column, std::string_view title, SetupTab tab,
                               const app::IntSetting& which, QWidget* parent) {
    QGroupBox* box = addGroup(column, title, parent);
    auto* row = new QHBoxLayout(box);
    row->setSpacing(24);
    for (std::size_t i = 0; i < app::kSetupChoices.size(); ++i) {
        const app::SetupChoice& choice = app::kSetupChoices[i];
        if (choice.tab != tab || choice.setting != &which) continue;
        auto* radio = new QRadioButton(qt(choice.text), box);
        radio->setObjectName(QStringLiteral("radio%1").arg(choice.control));
        radios_[i] = radio;
        row->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, i] {
            const app::SetupChoice& c = app::kSetupChoices[i];
            // A value that cannot be stored is not reported: the button
            // shows the choice, the next opening what the settings hold.
            app::writeChoice(settings_, *c.setting, c.value, places_);
        });
    }
    row->addStretch(1);
}

QWidget* SetupPage::makeGeneralTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("generalTab"));
    auto* column = new QVBoxLayout(tab);
    addChoiceGroup(column, kSortingGroup, SetupTab::General, setting::Classitication, tab);

    QGroupBox* folderBox = addGroup(column, kSaveFolderGroup, tab);
    saveFolder_ = valueLabel(QStringLiteral("saveFolder"), folderBox);
    saveFolderButton_ = groupButton(QStringLiteral("Browse(&B)..."), QStringLiteral("sansyo"), folderBox);
    saveFolderButton_->setEnabled(commands_ != nullptr);
    auto* folderLayout = new QVBoxLayout(folderBox);
    folderLayout->addLayout(valueRow(saveFolder_, saveFolderButton_));

    addChoiceGroup(column, kTitleGroup, SetupTab::General, setting::InputTitle, tab);
    addChoiceGroup(column, kViewGroup, SetupTab::General, setting::ShowLibrary, tab);

    QGroupBox* templateBox = addGroup(column, kTemplateGroup, tab);
    template_ = valueLabel(QStringLiteral("templateLabel"), templateBox);
    templateButton_ = groupButton(QStringLiteral("Template(&T)..."), QStringLiteral("template"), templateBox);
    auto* templateLayout = new QVBoxLayout(templateBox);
    templateLayout->addLayout(valueRow(template_, templateButton_));
    column->addStretch(1);

    connect(saveFolderButton_, &QPushButton::clicked, this, &SetupPage::moveSaveFolder);
    connect(templateButton_, &QPushButton::clicked, this, &SetupPage::chooseTemplate);
    return tab;
}

QWidget* SetupPage::makeCameraTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("cameraTab"));
    auto* column = new QVBoxLayout(tab);
    // Automatic loading and its confirmation work with card readers and USB
    // cameras only; the other two choices apply to every load.
    QGroupBox* cardUsb = addGroup(column, kCardUsbGroup, tab);
    auto* inner = new QVBoxLayout(cardUsb);
    addChoiceGroup(inner, kAutomaticGroup, SetupTab::Camera, setting::AutoTakeIn, cardUsb);
    addChoiceGroup(inner, kConfirmGroup, SetupTab::Camera, setting::ShowDialog, cardUsb);
    addChoiceGroup(column, kOriginalGroup, SetupTab::Camera, setting::CopyImage, tab);
    addChoiceGroup(column, kRotationGroup, SetupTab::Camera, setting::ImageRotation, tab);
    column->addStretch(1);
    return tab;
}

QWidget* SetupPage::makeOptionTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("optionTab"));
    auto* column = new QVBoxLayout(tab);
    addChoiceGroup(column, kPrintGroup, SetupTab::Option, setting::PrintButton, tab);

    QGroupBox* mailBox = addGroup(column, kMailGroup, tab);
    mailList_ = new MailList(mailBox);
    mailChoice_ = valueLabel(QStringLiteral("mailChoice"), mailBox);
    auto* mailLayout = new QHBoxLayout(mailBox);
    mailLayout->addWidget(mailList_, 0, Qt::AlignTop);
    mailLayout->addWidget(mailChoice_, 1, Qt::AlignTop);

    addChoiceGroup(column, kSizeGroup, SetupTab::Option, setting::TempSize, tab);

    QGroupBox* optionsBox = addGroup(column, kOptionsGroup, tab);
    auto* rebuildLabel = new QLabel(qt(kRebuildLabel), optionsBox);
    rebuildLabel->setTextFormat(Qt::PlainText);
    rebuildButton_ = groupButton(QStringLiteral("Rebuild(&R)"), QStringLiteral("reform"), optionsBox);
    rebuildButton_->setEnabled(commands_ != nullptr);
    rebuildLabel->setBuddy(rebuildButton_);
    auto* optionsRow = new QHBoxLayout(optionsBox);
    optionsRow->addWidget(rebuildLabel);
    optionsRow->addWidget(rebuildButton_);
    optionsRow->addStretch(1);
    column->addStretch(1);

    connect(mailList_, &QListWidget::itemSelectionChanged, this, &SetupPage::onMailSelection);
    connect(rebuildButton_, &QPushButton::clicked, this, &SetupPage::rebuildAll);
    return tab;
}

QWidget* SetupPage::makeVersionTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("versionTab"));
    auto* picture = new QLabel(tab);
    picture->setObjectName(QStringLiteral("versionPicture"));
    picture->setPixmap(applicationIcon().pixmap(QSize(64, 64), devicePixelRatioF()));
    picture->setFixedSize(64, 64);
    auto* line = new QLabel(qt(kVersionLine), tab);
    line->setObjectName(QStringLiteral("versionLine"));
    line->setTextFormat(Qt::PlainText);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = line->font();
    bold.setBold(true);
    line->setFont(bold);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(picture);
    row->addSpacing(16);
    row->addWidget(line);
    row->addStretch(1);
    auto* column = new QVBoxLayout(tab);
    column->addStretch(1);
    column->addLayout(row);
    column->addStretch(2);
    return tab;
}

QRadioButton* SetupPage::radio(SetupTab tab, int control) const {
    for (std::size_t i = 0; i < app::kSetupChoices.size(); ++i)
        if (app::kSetupChoices[i].tab == tab && app::kSetupChoices[i].control == control) return radios_[i];
    return nullptr;
}

// Every value but 0 acts as the second choice where the settings are used,
// so a stored value outside the buttons shows as that one.
void SetupPage::showChoices() {
    for (std::size_t i = 0; i < app::kSetupChoices.size(); ++i) {
        const app::SetupChoice& choice = app::kSetupChoices[i];
        const int shown = settings_.get(*choice.setting) == 0 ? 0 : 1;
        if (choice.value == shown) radios_[i]->setChecked(true);
    }
}

void SetupPage::showSaveFolder() {
    const std::string folder = settings_.saveFolder();
    saveFolder_->setText(qt(ml::generalPathText(folder)));
    saveFolder_->setToolTip(qt(folder));
}

void SetupPage::fillMailList() {
    const QSignalBlocker quiet(mailList_);
    mailList_->setRows(app::mailRows(mail_));
    mailList_->setFixedSize(mailList_->sizeHintForColumn(0) + 2 * mailList_->frameWidth() + 24,
                            mailList_->fullHeight());
    // A stored name that is no row shows as row 0; the setting stays as it is.
    const std::string stored = settings_.get(setting::MailName);
    chosenMailRow_ = static_cast<int>(app::mailRowOf(mailList_->rows(), stored));
    mailList_->setCurrentRow(chosenMailRow_, QItemSelectionModel::ClearAndSelect);
    mailChoice_->setText(qt(mailList_->rows()[static_cast<std::size_t>(chosenMailRow_)].name));
}

void SetupPage::onMailSelection() {
    const QList<QListWidgetItem*> selected = mailList_->selectedItems();
    const int row = selected.isEmpty() ? -1 : mailList_->row(selected.front());
    const auto& rows = mailList_->rows();
    if (row < 0 || !app::choosable(rows[static_cast<std::size_t>(row)])) {
        // A greyed program (or nothing) cannot be the choice: the selection
        // goes back to the program chosen.
        const QSignalBlocker quiet(mailList_);
        mailList_->setCurrentRow(chosenMailRow_, QItemSelectionModel::ClearAndSelect);
        return;
    }
    if (row == chosenMailRow_) return;
    app::BusyScope busy;
    chosenMailRow_ = row;
    const app::MailRow& chosen = rows[static_cast<std::size_t>(row)];
    settings_.set(setting::MailName, chosen.name);
    mailChoice_->setText(qt(chosen.name));
}

void SetupPage::chooseTemplate() {
    app::BusyScope busy;
    QPointer<TemplateDialog> dialog = new TemplateDialog(settings_, pluginsFolder_, window());
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    delete dialog.data();
    // The dialog stored the choice itself; the label shows what is stored.
    if (accepted) template_->setText(qt(app::templateLabel(settings_)));
    templateButton_->setFocus();
}

template <class F>
void SetupPage::whileDisabled(F&& f) {
    setEnabled(false);
    f();
    setEnabled(true);
}

void SetupPage::moveSaveFolder() {
    if (!commands_) return;
    app::BusyScope busy;
    std::vector<std::string> all;
    for (const auto& album : commands_->document().albums()) all.push_back(album->folderPath);
    const std::uint64_t volume = ml::storedBytes(commands_->document(), all) / 1024;
    QPointer<SaveFolderDialog> dialog = new SaveFolderDialog(volume, commands_->saveFolder(), window());
    const bool chosen = dialog->exec() == QDialog::Accepted && dialog;
    const std::string dest = chosen ? dialog->destination() : std::string();
    delete dialog.data();
    if (chosen) {
        ml::MoveRootResult result;
        whileDisabled([&] { result = commands_->moveSaveFolder(dest); });
        showChoices();
        updateFromDocument();
        QStringList notes;
        if (!result.carry.keptInPlace.empty())
            notes << QStringLiteral("%1 files were moved but also left in their old place, because they changed "
                                    "while they were moved.")
                         .arg(result.carry.keptInPlace.size());
        if (result.carry.notRestored > 0)
            notes << QStringLiteral("%1 files could not be put back in their old place.").arg(result.carry.notRestored);
        if (!notes.isEmpty()) QMessageBox::warning(window(), qt(app::kMessageCaption), notes.join('\n'));
    }
    saveFolderButton_->setFocus();
}

void SetupPage::rebuildAll() {
    if (!commands_) return;
    app::BusyScope busy;
    ml::RebuildResult result;
    whileDisabled([&] { result = commands_->rebuildAll(); });
    if (result.confirmed) {
        showChoices();
        updateFromDocument();
    }
    rebuildButton_->setFocus();
}

void SetupPage::updateFromDocument() {
    if (commands_) navigation()->setLibraryCount(static_cast<int>(commands_->document().albums().size()));
    showSaveFolder();
}

QWidget* SetupPage::tabFocus(int tab) const {
    const auto checked = [this](SetupTab on, int first, int second) -> QWidget* {
        QRadioButton* a = radio(on, first);
        return a && !a->isChecked() ? radio(on, second) : a;
    };
    switch (tab) {
        case General: return checked(SetupTab::General, 1018, 1019);
        case Camera: return checked(SetupTab::Camera, 1018, 1019);
        case Option: return mailList_;
        default: return tabs_->tabBar();
    }
}

QWidget* SetupPage::focusTarget() const { return tabFocus(tabs_->currentIndex()); }

void SetupPage::showEvent(QShowEvent* event) {
    Page::showEvent(event);
    if (!notePending_) return;
    notePending_ = false;
    // After the page is on the screen, so that the note stands over it.
    QTimer::singleShot(0, this, &SetupPage::showNote);
}

void SetupPage::showNote() {
    ++notesShown_;
    note_ = noteShower_(window());
}

}  // namespace lumbrel::ui
