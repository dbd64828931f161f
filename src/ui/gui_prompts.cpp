#include "ui/gui_prompts.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <optional>
#include <type_traits>

#include "app/strings.h"
#include "ui/confirm_dialog.h"
#include "ui/folder_choice_dialog.h"
#include "ui/load_date_dialog.h"
#include "ui/title_dialog.h"
#include "ui/ui_thread.h"
#include "ui/undated_dialog.h"

namespace lumbrel::ui {
namespace {


// Runs dialog and, when it was accepted, reads the answer from it; nullopt
// otherwise. The dialog is held by a QPointer across its event loop: when its
// parent window goes meanwhile, it goes too and counts as cancelled.
template <class Dialog, class Read>
auto answerOf(Dialog* dialog, Read read) -> std::optional<std::invoke_result_t<Read&, Dialog&>> {
    QPointer<Dialog> guard(dialog);
    const int result = dialog->exec();
    std::optional<std::invoke_result_t<Read&, Dialog&>> answer;
    if (guard && result == QDialog::Accepted) answer.emplace(read(*guard));
    delete guard.data();
    return answer;
}

// The icon of a message: a failure shows the stop sign, a warning the
// exclamation mark, anything else the information sign.
QMessageBox::Icon iconOf(int stringId) {
    switch (stringId) {
    case app::kMsgWriteError:
    case app::kMsgCannotOpenPages:
        return QMessageBox::Critical;
    case app::kTextPageAltered:
        return QMessageBox::Warning;
    default:
        return QMessageBox::Information;
    }
}

// Shows a message box captioned "Lumbrel" and returns the button pressed;
// NoButton when the box went with its parent window.
QMessageBox::StandardButton askBox(int stringId, std::string_view text, QMessageBox::StandardButtons buttons,
                                   QMessageBox::StandardButton byDefault, QWidget* parent) {
    QPointer<QMessageBox> box = new QMessageBox(iconOf(stringId), qt(app::kMessageCaption), qt(text), buttons, parent);
    box->setTextFormat(Qt::PlainText);  // paths in a text are no markup
    box->setDefaultButton(byDefault);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box->exec());
    if (!box) return QMessageBox::NoButton;
    delete box.data();
    return pressed;
}

}  // namespace

GuiPrompts::GuiPrompts(QWidget* window) : window_(window) {}

bool GuiPrompts::confirmLoad(std::string_view caption, std::string_view text) {
    return onUiThread([&] {
        return answerOf(new ConfirmDialog(qt(caption), qt(text), window_), [](ConfirmDialog&) { return true; })
            .has_value();
    });
}

std::optional<std::vector<std::size_t>> GuiPrompts::chooseFolders(const std::vector<std::string>& shown) {
    return onUiThread([&] {
        return answerOf(new FolderChoiceDialog(shown, window_), [](FolderChoiceDialog& d) { return d.chosen(); });
    });
}

void GuiPrompts::setWaitCursor(bool on) {
    onUiThread([&] {
        if (on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            ++waitCursors_;
        } else if (waitCursors_ > 0) {
            QApplication::restoreOverrideCursor();
            --waitCursors_;
        }
    });
}

std::optional<std::string> GuiPrompts::askLoadDate(std::string_view folderShown, bool offerUnassigned) {
    return onUiThread([&] {
        return answerOf(new LoadDateDialog(qt(folderShown), offerUnassigned, QDate::currentDate(), window_),
                        [](LoadDateDialog& d) { return d.key(); });
    });
}

camera::UndatedChoice GuiPrompts::askUndated() {
    return onUiThread([&] {
        return answerOf(new UndatedDialog(window_), [](UndatedDialog& d) { return d.choice(); })
            .value_or(camera::UndatedChoice::Cancel);
    });
}

std::optional<std::string> GuiPrompts::askTitle(std::string_view folderShown) {
    return onUiThread([&] {
        return answerOf(new TitleDialog(qt(folderShown), window_), [](TitleDialog& d) { return d.title(); });
    });
}

void GuiPrompts::showMessage(int stringId, std::string_view text) {
    onUiThread([&] { askBox(stringId, text, QMessageBox::Ok, QMessageBox::Ok, window_); });
}

bool GuiPrompts::askYesNo(int stringId, std::string_view text) {
    return onUiThread([&] {
        return askBox(stringId, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, window_) ==
               QMessageBox::Yes;
    });
}

}  // namespace lumbrel::ui
