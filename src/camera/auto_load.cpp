#include "camera/auto_load.h"

#include "app/application.h"
#include "app/busy_flag.h"
#include "app/strings.h"
#include "camera/camera_command.h"
#include "camera/camera_folders.h"
#include "camera/request_file.h"
#include "platform/files.h"

namespace lumbrel::camera {
namespace {

AutoLoadResult automaticLoad(const std::string& requestFile, app::Settings& settings, CameraPrompt& prompt,
                             const Pipeline& pipeline) {
    if (settings.get(app::setting::ShowDialog) == 0 &&
        !prompt.confirmLoad(app::text(app::kStrAutoLoadCaption), app::text(app::kStrCardRecognizedAuto)))
        return AutoLoadResult::Suspended;

    std::vector<std::string> folders;
    {
        WaitCursor wait(prompt);
        if (const std::string root = readRequestedRoot(requestFile); !root.empty()) scanDrive(root, folders);
    }
    if (folders.empty()) return AutoLoadResult::NothingFound;

    const auto chosen = chooseSourceFolders(folders, prompt);
    if (!chosen) return AutoLoadResult::Cancelled;
    return runPipeline(pipeline, *chosen, app::text(app::kStrAutoLoadCaption)) ? AutoLoadResult::Loaded
                                                                               : AutoLoadResult::LoadFailed;
}

}  // namespace

AutoLoadResult runAutomaticLoad(const std::string& requestFile, app::Settings& settings, CameraPrompt& prompt,
                                const Pipeline& pipeline) {
    app::BusyScope busy;
    AutoLoadResult result = AutoLoadResult::LoadFailed;
    try {
        result = automaticLoad(requestFile, settings, prompt, pipeline);
    } catch (...) {
        // A prompt that throws ends the run like a failed load.
    }
    // Whatever happened, the same card is not loaded again.
    platform::deleteFile(requestFile);
    return result;
}

bool AutoLoader::load(const std::string& requestFile) {
    return runAutomaticLoad(requestFile, settings_, prompt_, pipeline_) != AutoLoadResult::LoadFailed;
}

bool pollRequestFile(const std::string& programFolder, app::Settings& settings, app::AutomaticLoader& loader) {
    if (app::isBusy() || settings.get(app::setting::AutoTakeIn) != 0) return false;
    const std::string requestFile = platform::joinPath(programFolder, app::kRequestFileName);
    if (!platform::exists(requestFile)) return false;
    loader.load(requestFile);
    return true;
}

}  // namespace lumbrel::camera
