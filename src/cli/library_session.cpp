#include "cli/library_session.h"

#include <unistd.h>

#include <iostream>
#include <istream>
#include <ostream>

#include "app/program_folder.h"

namespace lumbrel::cli {

TerminalPrompt::TerminalPrompt(std::istream& in, std::ostream& err, bool interactive)
    : in_(in), err_(err), interactive_(interactive) {}

TerminalPrompt::TerminalPrompt(std::ostream& err) : TerminalPrompt(std::cin, err, ::isatty(STDIN_FILENO) == 1) {}

bool TerminalPrompt::askYesNo(int /*stringId*/, std::string_view text) {
    err_ << text << "\n";
    if (!interactive_) {
        err_ << "lumbrel-cli: no terminal to ask; answering Yes (the library is skipped)\n";
        return true;
    }
    err_ << "[Y/n] " << std::flush;
    std::string answer;
    if (!std::getline(in_, answer)) return true;  // end of input: the safe answer
    return answer.empty() || (answer[0] != 'n' && answer[0] != 'N');
}

LibrarySession::LibrarySession(std::ostream& err, LoadOptions options)
    : err_(err), profile_(platform::Profile::defaultPath()), prompt_(err), options_(std::move(options)),
      loadPrompt_(options_, err), progress_(err), wait_(err) {}

bool LibrarySession::start(const std::string& home) {
    std::string problem;
    const auto folder = app::findProgramFolder(home, problem);
    if (!folder) {
        err_ << "lumbrel-cli: " << problem << "\n";
        return false;
    }
    camera::SessionOptions options;
    options.startup.programFolder = *folder;
    options.startup.instanceName.clear();  // the folder lock is enough for the command line
    options.transfer = options_.transfer;
    options.loadPendingRequest = options_.loadPendingRequest;
    session_.emplace(profile_,
                     camera::FrontEnd{prompt_, loadPrompt_, loadPrompt_, progress_, wait_,
                                      options_.noOpen ? nullptr : &opener_},
                     std::move(options));
    switch (session_->start()) {
    case app::StartupResult::Started: break;
    case app::StartupResult::FolderInUse:
        err_ << "lumbrel-cli: Lumbrel is already using the program folder " << *folder
             << "; close it and try again\n";
        return false;
    case app::StartupResult::AutoLoadFailed:
        err_ << "lumbrel-cli: the automatic load of the pending request failed and was taken back\n";
        return false;
    case app::StartupResult::AnotherCopyRunning:
        err_ << "lumbrel-cli: start-up failed\n";
        return false;
    }
    const auto& report = session_->application().report();
    const app::InterruptedRun& stopped = report.interrupted;
    if (stopped.found && stopped.finished)
        err_ << "lumbrel-cli: the last load was stopped after its pictures were saved in the library; it was "
                "finished now\n";
    else if (stopped.found)
        err_ << "lumbrel-cli: the last load was stopped part-way; it was taken back\n";
    if (!stopped.sourcesKept.empty()) {
        err_ << "lumbrel-cli: " << stopped.sourcesKept.size()
             << " moved files were left on the card because they changed since they were copied:";
        for (const std::string& path : stopped.sourcesKept) err_ << " " << path;
        err_ << "\n";
    }
    if (!report.indexProblem.empty()) err_ << "lumbrel-cli: warning: cannot read " << report.indexProblem << "\n";
    if (!report.unreadableIndexMovedTo.empty())
        err_ << "lumbrel-cli: warning: the unreadable index file was kept as " << report.unreadableIndexMovedTo << "\n";
    if (!report.saveCopyProblem.empty())
        err_ << "lumbrel-cli: warning: the save-folder copy of the index was ignored: cannot read "
             << report.saveCopyProblem << "\n";
    if (report.source == app::IndexSource::Generation)
        err_ << "lumbrel-cli: warning: the index was recovered from its backup generation " << report.generation
             << "\n";
    if (report.indexSaveFailed) {
        err_ << "lumbrel-cli: cannot write the index file " << session_->application().indexPath() << "\n";
        return false;
    }
    return true;
}

}  // namespace lumbrel::cli
