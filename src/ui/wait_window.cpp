#include "ui/wait_window.h"
#include "ui/dialog_parts.h"
#include "ui/qt_text.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/ui_thread.h"

namespace lumbrel::ui {
namespace {


}  // namespace

WaitWindow::WaitWindow(QWidget* mainWindow)
    // A title but no close box: the step that opened the window closes it.
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), mainWindow_(mainWindow),
      line1_(new QLabel(this)), line2_(new QLabel(this)) {
    setModal(false);
    // No parent widget: a child window would be disabled with the main window.
    if (mainWindow) connect(mainWindow, &QObject::destroyed, this, &QObject::deleteLater);

    for (QLabel* line : {line1_, line2_}) {
        line->setTextFormat(Qt::PlainText);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    QFont first = line1_->font();
    first.setBold(true);
    line1_->setFont(first);
    line1_->setMinimumWidth(280);

    // The information icon of the program's other message windows.
    QLabel* icon = messageIcon(this, QStyle::SP_MessageBoxInformation);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(6);
    lines->addStretch(1);
    lines->addWidget(line1_);
    lines->addWidget(line2_);
    lines->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 28, 20);
    layout->setSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(lines);
}

WaitWindow::~WaitWindow() = default;

void WaitWindow::start(const QString& title, const QString& line1, const QString& line2) {
    setWindowTitle(title);
    line1_->setText(line1);
    line2_->setText(line2);
    line2_->setVisible(!line2.isEmpty());
    lock_.lock(mainWindow_);
    if (!isVisible()) placeOver(this, mainWindow_);
    show();
    raise();
    activateWindow();
}

void WaitWindow::finish() {
    hide();
    lock_.release();
}

QString WaitWindow::line1() const { return line1_->text(); }

QString WaitWindow::line2() const { return line2_->text(); }

void WaitWindow::reject() {}  // Escape: the step cannot be interrupted

void WaitWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

GuiWaitWindow::GuiWaitWindow(QWidget* mainWindow) : mainWindow_(mainWindow) {}

GuiWaitWindow::~GuiWaitWindow() { delete window_.data(); }

void GuiWaitWindow::show(std::string_view title, std::string_view line1, std::string_view line2) {
    const QString titleText = qt(title);
    const QString first = qt(line1);
    const QString second = qt(line2);
    onUiThread([&] {
        if (!window_) window_ = new ui::WaitWindow(mainWindow_);
        window_->start(titleText, first, second);
    });
    // A step run on this thread holds it until it closes the window: paint
    // the window now, or it would stay blank.
    if (onUiThreadNow()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void GuiWaitWindow::close() {
    onUiThread([&] {
        if (window_) window_->finish();
    });
}

}  // namespace lumbrel::ui
