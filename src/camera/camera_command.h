#pragma once
// The Load page's "camera(&C)" command for a card or a USB camera: find the
// drives, find the camera folders on them, confirm, let the user choose among
// several folders and hand the choice to the loading pipeline. The busy flag
// is raised for the whole command.

#include <string>
#include <vector>

#include "app/settings.h"
#include "camera/camera_prompt.h"

namespace lumbrel::camera {

enum class CameraResult {
    NoDrive,       ///< no drive qualifies; nothing is said
    NothingFound,  ///< drives but no camera folder (message 256)
    Suspended,     ///< the user suspended the confirmation
    Cancelled,     ///< the user cancelled the folder choice
    Loaded,
    LoadFailed,    ///< the pipeline reported failure
};

/// Runs the command over the given drive roots (in drive-list order).
CameraResult loadFromCamera(const std::vector<std::string>& driveRoots, app::Settings& settings,
                            CameraPrompt& prompt, const Pipeline& pipeline);

/// Runs the command over the drives of this system (enumerateDrives).
CameraResult loadFromCamera(app::Settings& settings, CameraPrompt& prompt, const Pipeline& pipeline);

/// The folders the user chose: the folder choice over the upper-case forms of
/// folders when there are several, folders itself when there is one. The
/// chosen folders are returned with their real names: upper case is only how
/// the choice shows them, and on this system names keep their letter case.
/// nullopt when the user cancels.
std::optional<std::vector<std::string>> chooseSourceFolders(const std::vector<std::string>& folders,
                                                            CameraPrompt& prompt);

/// Calls the pipeline; an exception it lets out counts as a failed load.
bool runPipeline(const Pipeline& pipeline, const std::vector<std::string>& folders,
                 std::string_view progressCaption);

}  // namespace lumbrel::camera
