#include "app/settings.h"

#include "platform/files.h"

namespace lumbrel::app {

std::string Settings::defaultSaveFolder() const { return platform::joinPath(programFolder_, "Image Library"); }

std::string Settings::saveFolder() const {
    return profile_.readText(setting::SaveFolder.section, setting::SaveFolder.key, defaultSaveFolder());
}

}  // namespace lumbrel::app
