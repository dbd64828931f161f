#include "printctl/command_line.h"

namespace lumbrel::printctl {

std::string programOf(std::string_view programFolder) {
    return std::string(programFolder) + "/" + std::string(kPrintProgram);
}

std::string commandLine(std::string_view programFolder, std::string_view imagePath, std::string_view imageFile) {
    std::string line = programOf(programFolder);
    if (!imagePath.empty()) line += " /i \"" + std::string(imagePath) + "/HTML/INDEX.HTM\"";
    if (!imageFile.empty()) line += " /f \"" + std::string(imagePath) + "/" + std::string(imageFile) + "\"";
    line += " /s off\"";
    return line;
}

std::vector<std::string> splitArguments(std::string_view text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    for (;;) {
        while (i < text.size() && blank(i)) ++i;
        if (i >= text.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < text.size() && (quoted || !blank(i))) {
            std::size_t slashes = 0;
            while (i < text.size() && text[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    arg += '"';
                } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, '\\');
                if (i < text.size() && (quoted || !blank(i))) arg += text[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace lumbrel::printctl
