#include "app/program_folder.h"

#include <cstdlib>

#include "app/application.h"
#include "platform/files.h"
#include "platform/process.h"

namespace lumbrel::app {

std::optional<std::string> findProgramFolder(const std::string& home, std::string& error) {
    std::string folder = home;
    if (folder.empty())
        if (const char* env = std::getenv("LUMBREL_HOME"); env && *env) folder = env;
    if (folder.empty()) {
        const std::string program = platform::runningProgramPath();
        if (program.empty()) {
            error = "cannot find the folder of the running program";
            return std::nullopt;
        }
        folder = std::string(platform::parentPath(program));
    } else if (!platform::isDirectory(folder) && !platform::makeDirectories(folder)) {
        error = "cannot create the program folder " + folder;
        return std::nullopt;
    }
    auto canonical = platform::canonicalPath(folder);
    if (!canonical || !platform::isDirectory(*canonical)) {
        error = "the program folder " + folder + " is not a folder";
        return std::nullopt;
    }
    return canonical;
}

std::string installedPart(const std::string& programFolder, std::string_view name) {
    const std::string own = platform::joinPath(programFolder, name);
    if (platform::exists(own)) return own;
    const std::string program = platform::runningProgramPath();
    if (!program.empty()) {
        const std::string beside = platform::joinPath(platform::parentPath(program), name);
        if (platform::exists(beside)) return beside;
    }
    return own;
}

std::string pluginsFolder(const std::string& programFolder) { return installedPart(programFolder, kPluginsFolder); }

}  // namespace lumbrel::app
