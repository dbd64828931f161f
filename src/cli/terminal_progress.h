#pragma once
// The progress window and the wait window of a load on the terminal. The bar
// is drawn on stderr only when stderr is a terminal. From the start of a load
// command (catchSignals) until its end, Ctrl-C (SIGINT), SIGTERM and SIGHUP
// are the "Suspend" button, however often they come: before the run's commit
// point it stops after the current file and is taken back; after it the run
// finishes (the command then says so). kill -9 is left to the run journal.

#include <chrono>
#include <iosfwd>
#include <string>

#include "app/services.h"
#include "camera/loader_prompt.h"
#include "camera/serial_camera.h"

namespace lumbrel::cli {

class TerminalProgress : public camera::Progress {
public:
    TerminalProgress(std::ostream& err, bool drawBar);
    /// Draws the bar when stderr is a terminal.
    explicit TerminalProgress(std::ostream& err);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    /// From now on the suspend signals are caught (begin() does it too).
    void catchSignals();
    void begin(std::string_view caption, std::string_view text, std::size_t total) override;
    void step(std::size_t done) override;
    bool cancelled() override;
    void end() override;
    /// A suspend signal came since catchSignals().
    bool interrupted() const;

private:
    std::ostream& err_;
    bool drawBar_;
    bool handlerInstalled_ = false;
    bool barShown_ = false;
    std::size_t total_ = 0;
};

/// The progress window of a serial transfer: each file's status line on
/// stderr, with its percentage on a terminal, and at the end how many files
/// in how long. Cancel is a suspend signal of the load's progress.
class TerminalTransferProgress : public camera::TransferProgress {
public:
    TerminalTransferProgress(std::ostream& err, TerminalProgress& signals);
    void open(std::string_view caption, std::string_view text) override;
    void status(std::string_view line) override;
    void percent(int value) override;
    bool cancelled() override { return signals_.cancelled(); }
    void close() override;

private:
    std::ostream& err_;
    TerminalProgress& signals_;
    bool terminal_;
    std::string line_;
    std::chrono::steady_clock::time_point opened_{};
    std::size_t files_ = 0;
};

class TerminalWaitWindow : public app::WaitWindow {
public:
    /// Shown only when stderr is a terminal.
    explicit TerminalWaitWindow(std::ostream& err);
    void show(std::string_view title, std::string_view line1, std::string_view line2) override;
    void close() override {}

private:
    std::ostream& err_;
    bool visible_;
};

}  // namespace lumbrel::cli
