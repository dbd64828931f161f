#include "cli/program_settings.h"

#include <ostream>

#include "app/program_folder.h"

namespace lumbrel::cli {

std::unique_ptr<ProgramSettings> ProgramSettings::open(const std::string& home, std::ostream& err) {
    std::string problem;
    const auto folder = app::findProgramFolder(home, problem);
    if (!folder) {
        err << "lumbrel-cli: " << problem << "\n";
        return nullptr;
    }
    return std::unique_ptr<ProgramSettings>(new ProgramSettings(*folder));
}

}  // namespace lumbrel::cli
