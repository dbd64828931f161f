#include "cli/terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <iomanip>
#include <ostream>

namespace lumbrel::cli {
namespace {

volatile sig_atomic_t suspendSignalled = 0;
constexpr int kSuspendSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[3] {};

extern "C" void onInterrupt(int) { suspendSignalled = 1; }

constexpr std::size_t kBarWidth = 30;

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& err, bool drawBar) : err_(err), drawBar_(drawBar) {}

TerminalProgress::TerminalProgress(std::ostream& err) : TerminalProgress(err, ::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    if (!handlerInstalled_) return;
    for (int i = 0; i < 3; ++i) ::sigaction(kSuspendSignals[i], &previousActions[i], nullptr);
}

void TerminalProgress::catchSignals() {
    if (handlerInstalled_) return;
    // Kept until the command ends: a signal after the commit point must not
    // end the program half-way through the run's finish either. No restart:
    // a question waiting for the terminal gets its safe answer.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    ::sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) ::sigaction(kSuspendSignals[i], &action, &previousActions[i]);
    handlerInstalled_ = true;
}

void TerminalProgress::begin(std::string_view caption, std::string_view text, std::size_t total) {
    total_ = total;
    catchSignals();  // a signal that came before (during start-up) still counts
    if (drawBar_) err_ << caption << ": " << text << " (Ctrl-C suspends)\n";
    step(0);
}

void TerminalProgress::step(std::size_t done) {
    if (!drawBar_ || total_ == 0) return;
    const std::size_t filled = done >= total_ ? kBarWidth : done * kBarWidth / total_;
    err_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, ' ') << "] " << done << "/"
         << total_ << std::flush;
    barShown_ = true;
}

bool TerminalProgress::cancelled() { return suspendSignalled != 0; }

bool TerminalProgress::interrupted() const { return suspendSignalled != 0; }

void TerminalProgress::end() {
    if (barShown_) err_ << "\n";
    barShown_ = false;
}

TerminalTransferProgress::TerminalTransferProgress(std::ostream& err, TerminalProgress& signals)
    : err_(err), signals_(signals), terminal_(::isatty(STDERR_FILENO) == 1) {}

void TerminalTransferProgress::open(std::string_view caption, std::string_view text) {
    signals_.catchSignals();
    opened_ = std::chrono::steady_clock::now();
    files_ = 0;
    err_ << caption << ": " << text << " (Ctrl-C cancels)\n";
}

void TerminalTransferProgress::status(std::string_view line) {
    if (terminal_ && !line_.empty()) err_ << "\n";
    line_ = line;
    ++files_;
    err_ << line_ << (terminal_ ? "" : "\n") << std::flush;
}

void TerminalTransferProgress::percent(int value) {
    if (terminal_ && !line_.empty()) err_ << "\r" << line_ << " " << value << "%" << std::flush;
}

void TerminalTransferProgress::close() {
    if (terminal_ && !line_.empty()) err_ << "\n";
    line_.clear();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - opened_;
    err_ << "Transfer: " << files_ << (files_ == 1 ? " file" : " files") << " in " << std::fixed
         << std::setprecision(1) << took.count() << " s\n";
}

TerminalWaitWindow::TerminalWaitWindow(std::ostream& err) : err_(err), visible_(::isatty(STDERR_FILENO) == 1) {}

void TerminalWaitWindow::show(std::string_view title, std::string_view line1, std::string_view line2) {
    if (visible_) err_ << title << ": " << line1 << " " << line2 << "\n";
}

}  // namespace lumbrel::cli
