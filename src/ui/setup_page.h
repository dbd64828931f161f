#pragma once
// The Setup page: the user's settings on four tabs (General, "Load images in
// camera", Option, Version). Every radio button writes its value the moment
// it is clicked; there is no OK or Apply. General also chooses the template
// and moves the image library root; Option chooses the mail program of the
// album pages and rebuilds every library with the current options.
//
// The first time the page opens (MailName not stored yet) it opens on the
// Option tab, stores "Email software is not assigned" and shows the "Mail
// Settings" note once.

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/mail_software.h"
#include "app/settings.h"
#include "app/setup_choices.h"
#include "ui/pages.h"

class QBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace lumbrel::ui {

class MailList;

/// The "Mail Settings" note (274).
inline constexpr std::string_view kMailNoteCaption = "Mail Settings";
inline constexpr std::string_view kMailNoteText =
    "First setup options.\n\nTo apply settings to the library,\nrebuild the library after setting up.";
/// The line of the Version tab (140).
inline constexpr std::string_view kVersionLine = "Lumbrel  Ver.2.0.1E for Windows";

class SetupPage : public Page {
    Q_OBJECT
public:
    /// The tabs, in their order.
    enum Tab : int { General = 0, Camera = 1, Option = 2, Version = 3 };

    /// Shows the "Mail Settings" note over parent without waiting for it to
    /// be closed; returns the box (or null when none was shown).
    using NoteShower = std::function<QMessageBox*(QWidget* parent)>;

    struct Options {
        app::MailLookup mail = app::MailLookup::system();
        /// Where automatic loading's side effects act; default: the program
        /// folder of settings and the session's autostart folder.
        std::optional<app::SetupPlaces> places;
        /// The template plug-ins; default: those of the program folder.
        std::optional<std::string> pluginsFolder;
        /// Default: a window-modal message box that closes itself on OK.
        NoteShower showNote;
    };

    SetupPage(app::Settings& settings, LibraryCommands* commands, QWidget* parent = nullptr);
    SetupPage(app::Settings& settings, LibraryCommands* commands, Options options, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }
    /// The radio button of control on tab (nullptr when there is none).
    QRadioButton* radio(app::SetupTab tab, int control) const;
    QLabel* templateLabel() const { return template_; }
    QLabel* saveFolderLabel() const { return saveFolder_; }
    QLabel* mailChoiceLabel() const { return mailChoice_; }
    QPushButton* templateButton() const { return templateButton_; }
    QPushButton* saveFolderButton() const { return saveFolderButton_; }
    QPushButton* rebuildButton() const { return rebuildButton_; }
    MailList* mailList() const { return mailList_; }
    /// The "Mail Settings" note while it is open.
    QMessageBox* mailNote() const { return note_; }
    /// How many times this page showed the note (0 or 1).
    int notesShown() const { return notesShown_; }

    /// Opens "Select template"; on OK shows the new choice.
    void chooseTemplate();
    /// Chooses a new place for the image library root and moves it there.
    void moveSaveFolder();
    /// Rebuilds every library with the current mail and print options.
    void rebuildAll();

    QWidget* focusTarget() const override;
    /// The document changed: the library count and the save folder anew.
    void updateFromDocument() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeGeneralTab();
    QWidget* makeCameraTab();
    QWidget* makeOptionTab();
    QWidget* makeVersionTab();
    /// Adds to column the group of the two radio buttons of setting on tab,
    /// side by side.
    void addChoiceGroup(QBoxLayout* column, std::string_view title, app::SetupTab tab,
                        const app::IntSetting& setting, QWidget* parent);
    /// Checks the radio buttons of every choice as the settings hold them.
    void showChoices();
    void showSaveFolder();
    void fillMailList();
    void onMailSelection();
    void showNote();
    QWidget* tabFocus(int tab) const;
    template <class F>
    void whileDisabled(F&& f);

    app::Settings& settings_;
    LibraryCommands* commands_;
    app::MailLookup mail_;
    app::SetupPlaces places_;
    std::string pluginsFolder_;
    NoteShower noteShower_;

    QTabWidget* tabs_ = nullptr;
    std::array<QRadioButton*, app::kSetupChoices.size()> radios_{};
    QLabel* template_ = nullptr;
    QLabel* saveFolder_ = nullptr;
    QLabel* mailChoice_ = nullptr;
    QPushButton* templateButton_ = nullptr;
    QPushButton* saveFolderButton_ = nullptr;
    QPushButton* rebuildButton_ = nullptr;
    MailList* mailList_ = nullptr;
    int chosenMailRow_ = 0;
    bool firstOpening_ = false;
    bool notePending_ = false;
    int notesShown_ = 0;
    QPointer<QMessageBox> note_;
};

}  // namespace lumbrel::ui
