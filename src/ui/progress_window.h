#pragma once
// The progress window of a long run (a load, a copy, page generation): an
// animation, the operation text, "count/ total", the percent bar and a
// "Suspend" button. It is modeless; while it is open the main window takes no
// input. "Suspend", the close box and Escape only raise the cancelled flag:
// the run decides when to stop and closes the window itself.
//
// GuiProgress puts the core's camera::Progress over this window. The core's
// runs go on a worker thread (runInBackground), so GuiProgress hands the
// window's work to the user-interface thread and answers cancelled() from an
// atomic flag, without waiting for that thread.

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstddef>
#include <string_view>

#include "camera/loader_prompt.h"

class QLabel;
class QPushButton;

namespace lumbrel::ui {

class BusyAnimation;
class PercentBar;

/// Keeps the main window from taking input while a window of a long run is
/// open, and afterwards enables it again and gives it back its focus.
class MainWindowLock {
public:
    MainWindowLock() = default;
    MainWindowLock(const MainWindowLock&) = delete;
    MainWindowLock& operator=(const MainWindowLock&) = delete;
    ~MainWindowLock() { release(); }

    /// Disables mainWindow's window; nothing when it is null or already held.
    void lock(QWidget* mainWindow);
    /// Enables, activates and focuses the held window; nothing when none is held.
    void release();
    bool isLocked() const { return locked_; }

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;  ///< what had the focus in it before
    bool locked_ = false;
};

/// Makes dialog (a window without a parent widget, so that disabling the main
/// window leaves it usable) a transient window of mainWindow and moves it to
/// the middle of mainWindow, or of the screen when there is none.
void placeOver(QWidget* dialog, QWidget* mainWindow);

class ProgressWindow : public QDialog {
    Q_OBJECT

public:
    /// The window's number among the program's dialogs.
    static constexpr int kDialogId = 139;

    /// mainWindow (may be null) is disabled while the window is open; the
    /// window goes when mainWindow does.
    explicit ProgressWindow(QWidget* mainWindow);
    ~ProgressWindow() override;

    /// Opens the window over the main window and disables it: count 0 of
    /// total, cancelled flag down, the animation running.
    void start(const QString& caption, const QString& text, int total);
    /// One more file handled.
    void step();
    /// count files handled (the count may also go back, or past the total).
    void setCount(int count);
    /// A new total; the count text is shown again.
    void setTotal(int total);
    void setText(const QString& text);
    void setButtonText(const QString& text);
    /// Closes the window; the main window is enabled and focused again.
    void finish();

    bool isCancelled() const { return cancelled_; }
    int count() const { return count_; }
    int total() const { return total_; }
    QString text() const;
    /// "count/ total".
    QString countText() const;
    /// 0..100.
    int barPosition() const;

    PercentBar* bar() const { return bar_; }
    QPushButton* suspendButton() const { return button_; }
    BusyAnimation* animation() const { return animation_; }

signals:
    /// "Suspend", the close box or Escape; the window stays open.
    void cancelRequested();

public slots:
    /// Raises the cancelled flag (what "Suspend" does).
    void requestCancel();

protected:
    /// Escape and the close box come here: they suspend, they do not close.
    void reject() override;

private:
    void showCount();

    QPointer<QWidget> mainWindow_;
    MainWindowLock lock_;
    BusyAnimation* animation_;
    QLabel* textLabel_;
    QLabel* countLabel_;
    PercentBar* bar_;
    QPushButton* button_;
    int count_ = 0;
    int total_ = 0;
    bool cancelled_ = false;
};

/// camera::Progress over a ProgressWindow. Construct and destroy it on the
/// user-interface thread; begin, step, cancelled and end may be called from
/// any thread.
class GuiProgress : public camera::Progress {
public:
    /// mainWindow (may be null) is the parent the window centres on and
    /// disables while it is open.
    explicit GuiProgress(QWidget* mainWindow);
    ~GuiProgress() override;
    GuiProgress(const GuiProgress&) = delete;
    GuiProgress& operator=(const GuiProgress&) = delete;

    /// Opens the window (made on first use) and returns once it shows, with
    /// the cancelled flag down.
    void begin(std::string_view caption, std::string_view text, std::size_t total) override;
    /// Shows done as the count; does not wait for the window.
    void step(std::size_t done) override;
    /// Answers at once from any thread: true from a press on "Suspend" until
    /// the next begin().
    bool cancelled() override;
    /// Closes the window and returns once it is closed.
    void end() override;

    /// The window, null before the first begin(); user-interface thread only.
    ProgressWindow* window() const { return window_; }

private:
    void showLatestCount();

    QPointer<QWidget> mainWindow_;
    QPointer<ProgressWindow> window_;
    QObject relay_;  ///< receives the posted steps; dropping it drops those not yet shown
    std::atomic<bool> cancelled_{false};
    std::atomic<std::size_t> done_{0};
    std::atomic<bool> stepPosted_{false};
};

}  // namespace lumbrel::ui
