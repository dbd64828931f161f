#pragma once
// The wait window: a small modeless window with a title and two lines of
// text, shown while a step runs that cannot be interrupted (relocating the
// library, writing the pages). While it is open the main window takes no
// input; when it closes the main window is enabled again and gets the focus.
// It has no close box and ignores Escape: the step closes it when it is done.

#include <QDialog>
#include <QPointer>
#include <QString>

#include <string_view>

#include "app/services.h"
#include "ui/progress_window.h"

class QLabel;

namespace lumbrel::ui {

class WaitWindow : public QDialog {
    Q_OBJECT

public:
    /// The window's number among the program's dialogs.
    static constexpr int kDialogId = 261;

    /// mainWindow (may be null) is disabled while the window is open; the
    /// window goes when mainWindow does.
    explicit WaitWindow(QWidget* mainWindow);
    ~WaitWindow() override;

    /// Opens the window over the main window and disables it; called again
    /// while open it only changes the texts.
    void start(const QString& title, const QString& line1, const QString& line2);
    /// Closes the window; the main window is enabled and focused again.
    void finish();

    QString line1() const;
    QString line2() const;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> mainWindow_;
    MainWindowLock lock_;
    QLabel* line1_;
    QLabel* line2_;
};

/// app::WaitWindow over a WaitWindow. Construct and destroy it on the
/// user-interface thread; show and close may be called from any thread.
class GuiWaitWindow : public app::WaitWindow {
public:
    /// mainWindow (may be null) is the window it centres on and disables.
    explicit GuiWaitWindow(QWidget* mainWindow);
    ~GuiWaitWindow() override;
    GuiWaitWindow(const GuiWaitWindow&) = delete;
    GuiWaitWindow& operator=(const GuiWaitWindow&) = delete;

    /// Returns once the window shows.
    void show(std::string_view title, std::string_view line1, std::string_view line2) override;
    /// Returns once the window is closed; nothing when it is not open.
    void close() override;

    /// The window, null before the first show(); user-interface thread only.
    ui::WaitWindow* window() const { return window_; }

private:
    QPointer<QWidget> mainWindow_;
    QPointer<ui::WaitWindow> window_;
};

}  // namespace lumbrel::ui
