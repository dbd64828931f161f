#include "app/setup_choices.h"

#include <algorithm>

#include "app/application.h"
#include "app/busy_flag.h"
#include "app/strings.h"
#include "platform/files.h"

namespace lumbrel::app {

bool isSetupChoice(const IntSetting& setting) {
    return std::any_of(kSetupChoices.begin(), kSetupChoices.end(),
                       [&](const SetupChoice& c) { return c.setting == &setting; });
}

bool writeChoice(Settings& settings, const IntSetting& setting, int value, const SetupPlaces& places) {
    BusyScope busy;
    if (&setting == &setting::AutoTakeIn) {
        // A request file left from before would start a load at the next
        // start; without the autostart entry the watcher no longer starts
        // with the session.
        if (value == 0)
            platform::deleteFile(platform::joinPath(places.programFolder, kRequestFileName));
        else
            platform::deleteFile(
                platform::joinPath(places.autostartFolder, std::string(text(kStrWatcherEntryName)) + ".desktop"));
    }
    return settings.set(setting, value);
}

std::string templateLabel(const Settings& settings) {
    return settings.get(setting::TemplateType) + std::string(text(kStrBackgroundJoin)) +
           settings.get(setting::TemplateBackCol);
}

}  // namespace lumbrel::app
