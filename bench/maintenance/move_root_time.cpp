// The move of the image library root alone, in one process: the program is
// started on HOME as lumbrel-cli starts it, then only the move is timed, with
// everything it flushes (journal, copies, index, settings).
//
//   move_root_time HOME DEST
//
// Prints the files carried and the seconds; run-move-root-bench.sh times mv
// and cp -a + sync + rm -r of the same tree beside it.

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/library_session.h"
#include "cli/terminal_progress.h"
#include "maintenance/carry.h"
#include "maintenance/page_writer_site.h"

namespace {

// No questions come during a move; a failure is printed.
class QuietPrompt : public lumbrel::maintenance::MaintenancePrompt {
public:
    bool confirm(lumbrel::maintenance::Confirmation) override { return true; }
    lumbrel::maintenance::DeleteAnswer askDeleteLibrary(lumbrel::maintenance::LibraryKind,
                                                        std::string_view) override {
        return lumbrel::maintenance::DeleteAnswer::Cancel;
    }
    bool askDeleteReadOnly(const std::string&, const std::string&) override { return false; }
    void showError(int, std::string_view text) override { std::cerr << "move_root_time: " << text << "\n"; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: move_root_time HOME DEST\n");
        return 2;
    }
    using namespace lumbrel;
    cli::LibrarySession session(std::cerr);
    if (!session.start(argv[1])) return 1;
    app::Application& a = session.application();
    QuietPrompt prompt;
    maintenance::PageWriterSite site(session.site());
    maintenance::MaintenanceContext context{a.settings(), a.document(), prompt,      session.progress(),
                                            a.programFolder(), a.indexPath(), &site, nullptr};
    const auto start = std::chrono::steady_clock::now();
    const maintenance::MoveRootResult r = maintenance::moveSaveFolder(context, argv[2]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!r.carry.ok()) {
        std::fprintf(stderr, "move_root_time: %s\n", r.carry.failure.c_str());
        return 1;
    }
    std::printf("%zu libraries, %zu files, %.4f s\n", r.carry.carried.size(), r.carry.files, seconds);
    a.exit();
    return 0;
}
