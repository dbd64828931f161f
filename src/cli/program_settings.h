#pragma once
// The settings of a program folder, for a command that reads or writes them
// without starting the program (settings, mail, serial test and folders).

#include <iosfwd>
#include <memory>
#include <string>

#include "app/settings.h"
#include "platform/profile.h"

namespace lumbrel::cli {

class ProgramSettings {
public:
    /// The settings of the program folder that home names (empty: the
    /// program's own); null, with the reason on err, when there is none.
    static std::unique_ptr<ProgramSettings> open(const std::string& home, std::ostream& err);

    app::Settings& settings() { return settings_; }

private:
    explicit ProgramSettings(std::string programFolder)
        : profile_(platform::Profile::defaultPath()), settings_(profile_, std::move(programFolder)) {}

    platform::Profile profile_;
    app::Settings settings_;
};

}  // namespace lumbrel::cli
