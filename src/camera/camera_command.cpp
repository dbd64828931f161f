#include "camera/camera_command.h"


#include "app/busy_flag.h"
#include "app/strings.h"
#include "camera/camera_folders.h"
#include "camera/drive_list.h"

namespace lumbrel::camera {

std::optional<std::vector<std::string>> chooseSourceFolders(const std::vector<std::string>& folders,
                                                            CameraPrompt& prompt) {
    if (folders.size() <= 1) return folders;
    std::vector<std::string> shown;
    shown.reserve(folders.size());
    for (const std::string& folder : folders) shown.push_back(toUpper(folder));
    const auto picked = prompt.chooseFolders(shown);
    if (!picked) return std::nullopt;
    std::vector<std::string> chosen;
    std::vector<bool> taken(folders.size(), false);
    for (const std::size_t index : *picked) {
        if (index >= folders.size() || taken[index]) continue;
        taken[index] = true;
        chosen.push_back(folders[index]);
    }
    if (chosen.empty()) return std::nullopt;  // the choice cannot load an empty list
    return chosen;
}

bool runPipeline(const Pipeline& pipeline, const std::vector<std::string>& folders,
                 std::string_view progressCaption) {
    try {
        return pipeline && pipeline(folders, progressCaption);
    } catch (...) {
        return false;
    }
}

CameraResult loadFromCamera(const std::vector<std::string>& driveRoots, app::Settings& settings,
                            CameraPrompt& prompt, const Pipeline& pipeline) {
    app::BusyScope busy;
    std::vector<std::string> folders;
    {
        WaitCursor wait(prompt);
        if (driveRoots.empty()) return CameraResult::NoDrive;
        for (const std::string& root : driveRoots) scanDrive(root, folders);
    }
    if (folders.empty()) {
        prompt.showMessage(app::kMsgNoImagesFound, app::text(app::kMsgNoImagesFound));
        return CameraResult::NothingFound;
    }
    if (settings.get(app::setting::ShowDialog) == 0 &&
        !prompt.confirmLoad(app::text(app::kStrConfirmCaption), app::text(app::kStrCardRecognized)))
        return CameraResult::Suspended;
    const auto chosen = chooseSourceFolders(folders, prompt);
    if (!chosen) return CameraResult::Cancelled;
    return runPipeline(pipeline, *chosen, {}) ? CameraResult::Loaded : CameraResult::LoadFailed;
}

CameraResult loadFromCamera(app::Settings& settings, CameraPrompt& prompt, const Pipeline& pipeline) {
    std::vector<std::string> roots;
    for (const Drive& drive : enumerateDrives()) roots.push_back(drive.root);
    return loadFromCamera(roots, settings, prompt, pipeline);
}

}  // namespace lumbrel::camera
