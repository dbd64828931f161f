#pragma once
// The program running on one program folder, as both front ends drive it: the
// start-up with the library web site, the template plug-ins, the loading
// pipeline, the automatic load and the finish of a stopped run attached. The
// front end brings its own prompts and windows (FrontEnd); the window and the
// command line then ask the same questions with the same texts.

#include <functional>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/services.h"
#include "camera/auto_load.h"
#include "camera/camera_prompt.h"
#include "camera/image_loader.h"
#include "camera/loader_prompt.h"
#include "platform/profile.h"
#include "web/library_page_writer.h"
#include "web/plugin_host.h"

namespace lumbrel::camera {

/// The questions and windows of a front end, for the runs of a session.
struct FrontEnd {
    app::Prompt& prompt;          ///< Yes/No questions (a site page edited by hand)
    LoaderPrompt& loadPrompt;     ///< the questions of a load
    CameraPrompt& cameraPrompt;   ///< the confirmation and the folder choice
    Progress& progress;           ///< the progress window of a transfer
    app::WaitWindow& wait;        ///< the wait window of steps that cannot be interrupted
    PageOpener* opener = nullptr; ///< opens the library pages after a load; null: they stay closed
};

struct SessionOptions {
    app::StartupOptions startup;  ///< programFolder set by the caller
    /// Replaces the CopyImage setting for camera loads.
    std::optional<TransferMode> transfer{};
    /// A request file left by the watcher is loaded during start-up.
    bool loadPendingRequest = false;
    /// Called around that load (the window minimises itself meanwhile).
    std::function<void()> beforeStartupLoad{};
    std::function<void()> afterStartupLoad{};
};

class ProgramSession {
public:
    ProgramSession(platform::Profile& profile, FrontEnd frontEnd, SessionOptions options);
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    /// Runs the start-up (once).
    app::StartupResult start();

    app::Application& application() { return application_; }
    web::LibraryPageWriter& site() { return writer_; }
    LoaderContext& loader() { return loader_; }
    /// The automatic load of a request file (start-up's and the window's watch).
    AutoLoader& autoLoader() { return autoLoader_; }
    /// The loading pipeline of the camera command and the automatic load.
    Pipeline pipeline();
    /// The result and report of the last run of pipeline().
    LoadResult lastLoad() const { return lastLoad_; }
    const LoadReport& lastReport() const { return lastReport_; }

private:
    // Start-up needs its services before the parts that read its document
    // exist; these hand the calls on once they do.
    class SiteForwarder : public app::SitePages {
    public:
        explicit SiteForwarder(ProgramSession& s) : s_(s) {}
        bool removePass(const std::vector<std::string>& keys) override { return s_.writer_.removePass(keys); }
        bool addPass(const std::vector<std::string>& keys) override { return s_.writer_.addPass(keys); }
        bool writeNewSite() override { return s_.writer_.writeNewSite(); }

    private:
        ProgramSession& s_;
    };
    class AutoLoadForwarder : public app::AutomaticLoader {
    public:
        explicit AutoLoadForwarder(ProgramSession& s) : s_(s) {}
        bool load(const std::string& requestFile) override {
            if (s_.beforeStartupLoad_) s_.beforeStartupLoad_();
            const bool loaded = s_.autoLoader_.load(requestFile);
            if (s_.afterStartupLoad_) s_.afterStartupLoad_();
            return loaded;
        }

    private:
        ProgramSession& s_;
    };
    class PagesFinisher : public app::RunFinisher {
    public:
        explicit PagesFinisher(ProgramSession& s) : s_(s) {}
        void finishPages(const app::InterruptedRun& run) override { finishInterruptedRun(s_.loader_, run); }

    private:
        ProgramSession& s_;
    };

    static app::StartupServices services(ProgramSession& self, bool loadPendingRequest);

    FrontEnd frontEnd_;
    std::function<void()> beforeStartupLoad_, afterStartupLoad_;
    SiteForwarder siteForward_{*this};
    AutoLoadForwarder autoForward_{*this};
    PagesFinisher finisher_{*this};
    web::PluginTemplateFinder templates_;
    app::Application application_;
    web::LibraryPageWriter writer_;  // reads the application's document
    LoaderContext loader_;           // works on the application's document
    AutoLoader autoLoader_;
    LoadResult lastLoad_ = LoadResult::NothingToLoad;
    LoadReport lastReport_;
};

}  // namespace lumbrel::camera
