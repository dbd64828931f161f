#include "ui/library_commands.h"

#include <optional>

#include "app/busy_flag.h"
#include "ui/ui_thread.h"

namespace lumbrel::ui {

namespace ml = maintenance;

LibraryCommands::LibraryCommands(ml::MaintenanceContext context) : context_(context) {}

// The command on a worker thread; its questions and windows come back to this
// thread through the prompt, the progress window and the wait window.
template <class F>
auto LibraryCommands::run(F&& command) {
    app::BusyScope busy;
    std::optional<decltype(command())> result;
    runInBackground([&] { result.emplace(command()); });
    return std::move(*result);
}

ml::TitleResult LibraryCommands::changeTitle(const std::string& location, const std::string& title) {
    return run([&] { return ml::changeTitle(context_, location, title); });
}

ml::RebuildResult LibraryCommands::rebuildSelected(const std::vector<std::string>& locations) {
    return run([&] { return ml::rebuildSelected(context_, locations); });
}

ml::RebuildResult LibraryCommands::rebuildAll() {
    return run([&] { return ml::rebuildAll(context_); });
}

ml::DeleteLibrariesResult LibraryCommands::deleteLibraries(const std::vector<std::string>& selected) {
    return run([&] { return ml::deleteLibraries(context_, selected); });
}

ml::DeleteImagesResult LibraryCommands::deleteMarkedImages(const ml::DeleteImagesRequest& request) {
    return run([&] { return ml::deleteMarkedImages(context_, request); });
}

ml::CarryResult LibraryCommands::copyLibraries(const std::vector<std::string>& locations, const std::string& dest) {
    return run([&] { return ml::copyLibraries(context_, locations, dest); });
}

ml::CarryResult LibraryCommands::moveLibraries(const std::vector<std::string>& locations, const std::string& dest) {
    return run([&] { return ml::moveLibraries(context_, locations, dest); });
}

ml::MoveRootResult LibraryCommands::moveSaveFolder(const std::string& chosen) {
    return run([&] { return ml::moveSaveFolder(context_, chosen); });
}

}  // namespace lumbrel::ui
