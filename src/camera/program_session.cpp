#include "camera/program_session.h"

namespace lumbrel::camera {

app::StartupServices ProgramSession::services(ProgramSession& self, bool loadPendingRequest) {
    app::StartupServices services;
    services.site = &self.siteForward_;
    services.templates = &self.templates_;
    if (loadPendingRequest) services.autoLoader = &self.autoForward_;
    services.wait = &self.frontEnd_.wait;
    services.finisher = &self.finisher_;
    return services;
}

ProgramSession::ProgramSession(platform::Profile& profile, FrontEnd frontEnd, SessionOptions options)
    : frontEnd_(frontEnd),
      beforeStartupLoad_(std::move(options.beforeStartupLoad)),
      afterStartupLoad_(std::move(options.afterStartupLoad)),
      application_(profile, std::move(options.startup), services(*this, options.loadPendingRequest)),
      writer_(application_.programFolder(), application_.document(), &frontEnd_.prompt),
      loader_{application_.settings(), application_.document(), frontEnd_.loadPrompt, frontEnd_.progress,
              application_.indexPath(), &writer_, &frontEnd_.wait, frontEnd_.opener, options.transfer},
      autoLoader_(application_.settings(), frontEnd_.cameraPrompt, pipeline()) {}

Pipeline ProgramSession::pipeline() { return loaderPipeline(loader_, &lastLoad_, &lastReport_); }

app::StartupResult ProgramSession::start() { return application_.start(); }

}  // namespace lumbrel::camera
