// "Select template" on the delivered plug-in's templates, with the colour
// chosen at start-up and its sample.

#include "screenshots/shooter.h"
#include "ui/desktop_program.h"
#include "ui/template_dialog.h"
#include "web/plugin_host.h"

namespace lumbrel::screenshots {
namespace {

const ShotGroup group([](Shooter& shooter, ui::DesktopProgram& program) {
    app::Application& application = program.session().application();
    ui::TemplateDialog dialog(application.settings(), web::pluginsFolder(application.programFolder()),
                              &program.frame());
    const bool ok = shooter.shoot(&dialog, QStringLiteral("dialog-165-select-template"));
    dialog.close();
    return ok;
});

}  // namespace
}  // namespace lumbrel::screenshots
