#include "ui/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include <algorithm>

#include "app/busy_flag.h"
#include "app/strings.h"
#include "ui/load_page.h"
#include "ui/window_geometry.h"

namespace lumbrel::ui {
namespace {

namespace setting = app::setting;

QSize workArea(const QWidget* w) {
    const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize(1024, 768);
}

constexpr Qt::WindowFlags kNavigationFlags =
    Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
constexpr Qt::WindowFlags kPageFlags = kNavigationFlags | Qt::WindowMinMaxButtonsHint;

}  // namespace

MainFrame::MainFrame(app::Settings& settings, FrameActions& actions, QWidget* parent)
    : QMainWindow(parent, kNavigationFlags), settings_(settings), actions_(actions) {
    setWindowTitle(QStringLiteral("Lumbrel"));
    // Pages are as large as the Edit page in the font's dialog units, and at
    // least as tall as the navigation bar, so that the bar always fits.
    const NavigationBar probe;
    pageSize_ = toPixels(kPageDialogSize, dialogUnits(font()));
    pageSize_.setHeight(std::max(pageSize_.height(), probe.sizeHint().height()));
    pageSize_.setWidth(std::max(pageSize_.width(), probe.minimumWidth() * 4));
    navigationSize_ = QSize(probe.minimumWidth(), pageSize_.height());

    const QPoint place = storedPosition(settings_.get(setting::WinLeft), settings_.get(setting::WinTop), workArea(this));
    move(place);
    switchPage(kPageNavigation, false);

    poll_.setSingleShot(true);
    connect(&poll_, &QTimer::timeout, this, &MainFrame::pollTick);
}

MainFrame::~MainFrame() { rememberGeometry(); }

void MainFrame::switchPage(int id, bool saveSize) {
    if (id == current_ || !isPageId(id)) return;
    app::BusyScope busy;
    const bool wasMaximised = isMaximized();
    if (saveSize && page_) {
        const QRect normal = wasMaximised ? normalGeometry() : geometry();
        settings_.set(setting::WinWidth, normal.width());
        settings_.set(setting::WinHeight, normal.height());
    }
    Page* next = makePage(id, &settings_, actions_.libraryCommands(), this);
    QPointer<Page> previous = page_;
    page_ = next;
    current_ = id;
    connect(next->navigation(), &NavigationBar::triggered, this, &MainFrame::onNavigation);
    if (auto* load = qobject_cast<LoadPage*>(next)) {
        connect(load, &LoadPage::cameraRequested, this, [this](int connection) {
            actions_.loadFromCamera(connection);
            updateViews();
        });
        connect(load, &LoadPage::otherRequested, this, [this] {
            actions_.loadOtherImages();
            updateViews();
        });
    }
    if (previous) previous->setParent(nullptr);  // takes it out of the window before the new one goes in
    setCentralWidget(next);
    refreshCounts();
    applyPageFrame(wasMaximised);
    delete previous;
    if (QWidget* focus = next->focusTarget()) focus->setFocus();
}

// The frame of the new page: the navigation page in a fixed narrow window,
// any other page resizable down to the page size, maximised again when the
// page it replaces was.
void MainFrame::applyPageFrame(bool wasMaximised) {
    // Changing the window's buttons hides it; it comes back where it was.
    const bool visible = isVisible();
    const QPoint place = pos();
    const auto showNormalIf = [this](bool shown) {
        if (shown) showNormal();
    };
    if (current_ == kPageNavigation) {
        setWindowFlags(kNavigationFlags);
        setMinimumSize(navigationSize_);
        setMaximumSize(navigationSize_);
        showNormalIf(visible);
        resize(navigationSize_);
    } else {
        setWindowFlags(kPageFlags);
        setMinimumSize(pageSize_);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const int width = settings_.get(setting::WinWidth), height = settings_.get(setting::WinHeight);
        const QSize size(width > 0 ? width : pageSize_.width(), height > 0 ? height : pageSize_.height());
        resize(size.expandedTo(pageSize_));
        if (wasMaximised && visible) {
            showMaximized();
            return;
        }
        showNormalIf(visible);
    }
    move(keptOnScreen(QRect(place, size())).topLeft());
}

void MainFrame::onNavigation(NavButton button) {
    const bool onPage = current_ != kPageNavigation;
    switch (button) {
        case NavButton::ViewLibrary: {
            app::BusyScope busy;
            actions_.viewLibrary();
            break;
        }
        case NavButton::Load: switchPage(kPageLoad, onPage); break;
        case NavButton::Edit: switchPage(kPageEdit, onPage); break;
        case NavButton::Delete: switchPage(kPageDelete, onPage); break;
        case NavButton::Copy: switchPage(kPageCopy, onPage); break;
        case NavButton::Move: switchPage(kPageMove, onPage); break;
        case NavButton::Setup: switchPage(kPageSetup, onPage); break;
        case NavButton::Print: {
            app::BusyScope busy;
            actions_.startPrintProgram();
            break;
        }
        case NavButton::Help: actions_.openHelp(); break;
        case NavButton::Exit:
            // Ends the program from any page, without going back to the
            // navigation page and without a question.
            if (page_) page_->navigation()->button(NavButton::Exit)->setEnabled(false);
            current_ = kPageNavigation;
            closeRequested_ = true;
            close();
            break;
    }
}

void MainFrame::pollTick() {
    actions_.pollAutomaticLoading();
    refreshCounts();
    poll_.start(kPollMilliseconds);
}

void MainFrame::refreshCounts() {
    if (!page_) return;
    page_->navigation()->setAutomaticLoading(actions_.automaticLoading());
    page_->navigation()->setLibraryCount(actions_.libraryCount());
}

void MainFrame::updateViews() {
    if (page_) page_->updateFromDocument();
    refreshCounts();
}

void MainFrame::comeForward() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void MainFrame::rememberGeometry() {
    if (geometryWritten_) return;
    geometryWritten_ = true;
    // A window beyond the screen's work area is not remembered there.
    const QSize area = workArea(this);
    const QRect frame = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const QPoint place = pos();
    // The size is a page's: the navigation page's fixed size would replace
    // the size the user gave the pages.
    const bool onPage = page_ && page_->id() != kPageNavigation;
    if (place.x() <= area.width()) {
        settings_.set(setting::WinLeft, place.x());
        if (onPage) settings_.set(setting::WinWidth, frame.width());
    }
    if (place.y() <= area.height()) {
        settings_.set(setting::WinTop, place.y());
        if (onPage) settings_.set(setting::WinHeight, frame.height());
    }
}

// The close box on a page goes back to the navigation page; on the navigation
// page (or after Exit) it ends the program. While a command runs the window
// stays: the command's own "Suspend" is the way out.
void MainFrame::closeEvent(QCloseEvent* event) {
    if (app::isBusy()) {
        event->ignore();
        return;
    }
    app::BusyScope busy;
    if (current_ == kPageNavigation && (closeRequested_ || !page_ || page_->id() == kPageNavigation)) {
        rememberGeometry();
        event->accept();
        return;
    }
    event->ignore();
    switchPage(kPageNavigation, true);
}

}  // namespace lumbrel::ui
