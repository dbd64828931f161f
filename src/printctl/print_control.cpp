#include "printctl/print_control.h"

#include "platform/app_paths.h"
#include "platform/process.h"
#include "platform/utf8.h"
#include "printctl/command_line.h"

namespace lumbrel::printctl {

bool setProperty(PrintProperties& properties, std::string_view name, std::string_view value) {
    if (platform::equalNoCase(name, "ImagePath")) properties.imagePath = value;
    else if (platform::equalNoCase(name, "ImageFile")) properties.imageFile = value;
    else return false;
    return true;
}

std::optional<std::string> property(const PrintProperties& properties, std::string_view name) {
    if (platform::equalNoCase(name, "ImagePath")) return properties.imagePath;
    if (platform::equalNoCase(name, "ImageFile")) return properties.imageFile;
    return std::nullopt;
}

PrintServices PrintServices::system() {
    return {[](std::string_view file) { return platform::appPath(file); },
            [](const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
                return platform::startDetached(program, args, folder);
            }};
}

PrintOutcome doClick(const PrintProperties& properties, const PrintServices& services) {
    PrintOutcome outcome = PrintOutcome::NoProgram;
    try {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const auto folder = services.appPath ? services.appPath(kPrintProgram) : std::nullopt;
            if (!folder || folder->empty()) continue;
            const std::string program = programOf(*folder);
            const std::string line = commandLine(*folder, properties.imagePath, properties.imageFile);
            const std::vector<std::string> args = splitArguments(std::string_view(line).substr(program.size()));
            if (services.start && services.start(program, args, *folder)) return PrintOutcome::Started;
            outcome = PrintOutcome::StartFailed;
        }
    } catch (...) {
        outcome = PrintOutcome::StartFailed;
    }
    return outcome;
}

}  // namespace lumbrel::printctl
