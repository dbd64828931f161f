#pragma once
// Automatic loading: the watcher (Lmauto) leaves a request file naming a newly
// mounted card or camera; the main program loads the camera folders of the
// first drive it names through the loading pipeline, at start-up or from the
// main window's 5-second watch. The request file is deleted on every way out,
// so that the same card is not loaded twice.

#include <string>

#include "app/services.h"
#include "app/settings.h"
#include "camera/camera_prompt.h"

namespace lumbrel::camera {

enum class AutoLoadResult {
    Suspended,     ///< the user suspended the confirmation
    NothingFound,  ///< no drive named, or no camera folder on it
    Cancelled,     ///< the user cancelled the folder choice
    Loaded,
    LoadFailed,    ///< the pipeline reported failure
};

/// Runs the automatic load that requestFile asks for: the confirmation (when
/// ShowDialog is 0), the scan of the first drive named, the folder choice when
/// there are several folders, and the pipeline with the automatic-load
/// caption. Deletes requestFile before it returns, whatever happened.
AutoLoadResult runAutomaticLoad(const std::string& requestFile, app::Settings& settings,
                                CameraPrompt& prompt, const Pipeline& pipeline);

/// The loader that start-up and the watch call. Only a failed load counts as
/// failure: a suspended, cancelled or empty run has completed.
class AutoLoader : public app::AutomaticLoader {
public:
    AutoLoader(app::Settings& settings, CameraPrompt& prompt, Pipeline pipeline)
        : settings_(settings), prompt_(prompt), pipeline_(std::move(pipeline)) {}
    bool load(const std::string& requestFile) override;

private:
    app::Settings& settings_;
    CameraPrompt& prompt_;
    Pipeline pipeline_;
};

/// One tick of the main window's watch (every 5 seconds): runs loader on the
/// request file in programFolder when it exists, AutoTakeIn is 0 and the busy
/// flag is down. True when a load was run.
bool pollRequestFile(const std::string& programFolder, app::Settings& settings, app::AutomaticLoader& loader);

}  // namespace lumbrel::camera
