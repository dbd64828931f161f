#pragma once
// The progress window of a serial transfer: the percentage of the file coming
// in, its bar, the status line naming the file ("100ABCDE(3/12)") and Cancel.
// Modeless over a disabled main window, like the load's progress window;
// Cancel, Escape and the close box only raise the cancelled flag, which the
// link asks between blocks.
//
// GuiTransferProgress puts the transfer's camera::TransferProgress over it;
// the transfer runs on a worker thread.

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <string_view>

#include "camera/serial_camera.h"
#include "ui/progress_window.h"

class QLabel;
class QPushButton;

namespace lumbrel::ui {

class PercentBar;

class TransferWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int kDialogId = 141;

    explicit TransferWindow(QWidget* mainWindow);

    /// Opens over the main window and disables it; 0 %, empty status line.
    void start(const QString& caption, const QString& text);
    void setStatus(const QString& line);
    void setPercent(int percent);
    void finish();

    bool isCancelled() const { return cancelled_; }
    QString percentText() const;
    QString status() const;
    int percent() const { return percent_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelRequested();

public slots:
    void requestCancel();

protected:
    void reject() override;

private:
    QPointer<QWidget> mainWindow_;
    MainWindowLock lock_;
    QLabel* text_;
    QLabel* percentLabel_;
    PercentBar* bar_;
    QLabel* status_;
    QPushButton* cancel_;
    int percent_ = 0;
    bool cancelled_ = false;
};

/// camera::TransferProgress over a TransferWindow; made and destroyed on the
/// user-interface thread, used from the transfer's worker thread.
class GuiTransferProgress : public camera::TransferProgress {
public:
    explicit GuiTransferProgress(QWidget* mainWindow) : mainWindow_(mainWindow) {}
    ~GuiTransferProgress() override;
    GuiTransferProgress(const GuiTransferProgress&) = delete;
    GuiTransferProgress& operator=(const GuiTransferProgress&) = delete;

    void open(std::string_view caption, std::string_view text) override;
    void status(std::string_view line) override;
    /// Does not wait for the window.
    void percent(int value) override;
    bool cancelled() override;
    void close() override;

    TransferWindow* window() const { return window_; }

private:
    QPointer<QWidget> mainWindow_;
    QPointer<TransferWindow> window_;
    QObject relay_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace lumbrel::ui
