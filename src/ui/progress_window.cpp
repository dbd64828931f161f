#include "ui/progress_window.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <climits>

#include "app/strings.h"
#include "ui/busy_animation.h"
#include "ui/percent_bar.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {
namespace {

constexpr int kContentWidth = 380;  // the text wraps within this
const QString kSuspend = qt(app::kButtonSuspend);


int toInt(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

}  // namespace

// ---- MainWindowLock -----------------------------------------------------------

void MainWindowLock::lock(QWidget* mainWindow) {
    if (locked_ || !mainWindow) return;
    window_ = mainWindow->window();
    // Taken before disabling: a disabled window forgets its focus widget.
    focus_ = window_->focusWidget();
    window_->setEnabled(false);
    locked_ = true;
}

void MainWindowLock::release() {
    if (!locked_) return;
    locked_ = false;
    if (!window_) return;
    window_->setEnabled(true);
    window_->update();
    window_->raise();
    window_->activateWindow();
    if (focus_ && focus_->window() == window_ && focus_->isEnabled())
        focus_->setFocus(Qt::ActiveWindowFocusReason);
    else
        window_->setFocus(Qt::ActiveWindowFocusReason);
    focus_.clear();
}

void placeOver(QWidget* dialog, QWidget* mainWindow) {
    dialog->adjustSize();
    QRect area;
    if (mainWindow) {
        QWidget* top = mainWindow->window();
        area = top->frameGeometry();
        // Before it is shown a dialog has no native window; make one to say
        // whose it is, so that the desktop keeps it above the main window.
        dialog->winId();
        if (QWindow* handle = dialog->windowHandle(); handle && top->windowHandle())
            handle->setTransientParent(top->windowHandle());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
}

// ---- ProgressWindow -------------------------------------------------------------

ProgressWindow::ProgressWindow(QWidget* mainWindow)
    : QDialog(nullptr), mainWindow_(mainWindow), animation_(new BusyAnimation(this)), textLabel_(new QLabel(this)),
      countLabel_(new QLabel(this)), bar_(new PercentBar(this)), button_(new QPushButton(kSuspend, this)) {
    setModal(false);
    // No parent widget: a child window would be disabled with the main window.
    // It goes when the main window goes.
    if (mainWindow) connect(mainWindow, &QObject::destroyed, this, &QObject::deleteLater);

    textLabel_->setWordWrap(true);
    textLabel_->setMinimumWidth(kContentWidth - 80);
    textLabel_->setTextFormat(Qt::PlainText);
    countLabel_->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    countLabel_->setTextFormat(Qt::PlainText);
    bar_->setMaximum(100);
    bar_->setMinimumWidth(kContentWidth);
    // Enter must not stop a run by accident; Escape and a click do.
    button_->setAutoDefault(false);
    button_->setMinimumWidth(96);
    connect(button_, &QPushButton::clicked, this, &ProgressWindow::requestCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(animation_, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    auto* textRow = new QHBoxLayout;
    textRow->setSpacing(12);
    textRow->addWidget(textLabel_, 1, Qt::AlignBottom);
    textRow->addWidget(countLabel_, 0, Qt::AlignBottom);
    layout->addLayout(textRow);
    layout->addSpacing(6);
    layout->addWidget(bar_);
    layout->addSpacing(18);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(button_);
    layout->addLayout(buttonRow);

    showCount();
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::start(const QString& caption, const QString& text, int total) {
    setWindowTitle(caption);
    textLabel_->setText(text);
    total_ = total;
    count_ = 0;
    cancelled_ = false;
    showCount();
    lock_.lock(mainWindow_);
    if (!isVisible()) placeOver(this, mainWindow_);
    show();  // starts the animation
    raise();
    activateWindow();
}

void ProgressWindow::step() { setCount(count_ < INT_MAX ? count_ + 1 : count_); }

void ProgressWindow::setCount(int count) {
    count_ = count;
    showCount();
}

void ProgressWindow::setTotal(int total) {
    total_ = total;
    showCount();
}

void ProgressWindow::setText(const QString& text) { textLabel_->setText(text); }

void ProgressWindow::setButtonText(const QString& text) { button_->setText(text); }

void ProgressWindow::finish() {
    hide();  // stops the animation
    lock_.release();
}

QString ProgressWindow::text() const { return textLabel_->text(); }

QString ProgressWindow::countText() const { return QString::asprintf("%d%s%d", count_, "/ ", total_); }

int ProgressWindow::barPosition() const { return bar_->position(); }

void ProgressWindow::requestCancel() {
    cancelled_ = true;
    emit cancelRequested();
}

void ProgressWindow::reject() { requestCancel(); }

void ProgressWindow::showCount() {
    countLabel_->setText(countText());
    // With no total there is nothing to measure: the bar stays empty.
    const qint64 percent = total_ > 0 ? qint64{std::max(count_, 0)} * 100 / total_ : 0;
    bar_->setPosition(static_cast<int>(std::min<qint64>(100, percent)));
}

// ---- GuiProgress ----------------------------------------------------------------

GuiProgress::GuiProgress(QWidget* mainWindow) : mainWindow_(mainWindow) {}

GuiProgress::~GuiProgress() {
    delete window_.data();  // gives the main window back if it is still open
}

void GuiProgress::begin(std::string_view caption, std::string_view text, std::size_t total) {
    const QString captionText = qt(caption);
    const QString operationText = qt(text);
    onUiThread([&] {
        if (!window_) {
            window_ = new ProgressWindow(mainWindow_);
            QObject::connect(window_, &ProgressWindow::cancelRequested, &relay_,
                             [this] { cancelled_.store(true); });
        }
        cancelled_.store(false);
        done_.store(0);
        window_->start(captionText, operationText, toInt(total));
    });
}

void GuiProgress::step(std::size_t done) {
    done_.store(done);
    if (onUiThreadNow()) {
        showLatestCount();
        // A run on this thread itself: let the window paint and hear "Suspend".
        QCoreApplication::processEvents();
        return;
    }
    // Steps faster than the window can show them fold into one: only the
    // latest count is worth painting, and the queue stays short.
    if (stepPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(&relay_, [this] { showLatestCount(); }, Qt::QueuedConnection);
}

void GuiProgress::showLatestCount() {
    stepPosted_.store(false);
    if (window_) window_->setCount(toInt(done_.load()));
}

bool GuiProgress::cancelled() {
    if (onUiThreadNow()) QCoreApplication::processEvents();
    return cancelled_.load();
}

void GuiProgress::end() {
    onUiThread([&] {
        if (window_) window_->finish();
    });
}

}  // namespace lumbrel::ui
