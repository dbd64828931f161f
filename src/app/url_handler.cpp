#include "app/url_handler.h"

#include <vector>

#include "platform/desktop_entry.h"
#include "platform/files.h"
#include "platform/process.h"

namespace lumbrel::app {

std::string urlHandlerEntryPath() {
    const std::string home = platform::dataHome();
    if (home.empty()) return {};
    return platform::joinPath(platform::joinPath(home, "applications"), kUrlHandlerEntry);
}

std::string urlHandlerEntryText(const std::string& openUrlProgram, const std::string& programFolder) {
    std::vector<std::string> args{openUrlProgram};
    if (!programFolder.empty()) {
        args.emplace_back("--home");
        args.push_back(programFolder);
    }
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Lumbrel mail and print buttons\n";
    text += "Exec=" + platform::execValue(args, "%u") + "\n";
    text += "NoDisplay=true\n";
    text += "Terminal=false\n";
    text += "MimeType=";
    for (const std::string_view scheme : kControlSchemes) text += "x-scheme-handler/" + std::string(scheme) + ";";
    text += "\n";
    return text;
}

std::string openUrlProgramPath() {
    const std::string running = platform::runningProgramPath();
    if (running.empty()) return {};
    return platform::joinPath(platform::parentPath(running), "lumbrel-open-url");
}

std::string homeArgument(const std::string& openUrlProgram, const std::string& programFolder) {
    const auto own = platform::canonicalPath(std::string(platform::parentPath(openUrlProgram)));
    const auto given = platform::canonicalPath(programFolder);
    if (own && given && *own == *given) return {};
    return given.value_or(programFolder);
}

bool registerUrlHandler(const std::string& openUrlProgram, const std::string& programFolder) {
    const std::string path = urlHandlerEntryPath();
    if (path.empty() || openUrlProgram.empty()) return false;
    const std::string text = urlHandlerEntryText(openUrlProgram, programFolder);
    const auto old = platform::readFile(path, 64 * 1024);
    if (!old || std::string(old->begin(), old->end()) != text) {
        if (!platform::makeDirectories(std::string(platform::parentPath(path))) ||
            !platform::writeFileAtomic(path, std::string_view(text)))
            return false;
    }
    const std::string id(kUrlHandlerEntry);
    for (const std::string_view scheme : kControlSchemes) {
        if (platform::defaultSchemeHandler(scheme) == id) continue;
        platform::programOutput("xdg-mime", {"default", id, "x-scheme-handler/" + std::string(scheme)});
    }
    return true;
}

void registerUrlHandlerIfStale(const std::string& openUrlProgram, const std::string& programFolder) {
    const std::string path = urlHandlerEntryPath();
    if (path.empty() || openUrlProgram.empty()) return;
    const auto old = platform::readFile(path, 64 * 1024);
    if (old && std::string(old->begin(), old->end()) == urlHandlerEntryText(openUrlProgram, programFolder)) return;
    registerUrlHandler(openUrlProgram, programFolder);
}

bool unregisterUrlHandler() {
    const std::string path = urlHandlerEntryPath();
    if (path.empty() || !platform::exists(path)) return true;
    return platform::deleteFile(path);
}

}  // namespace lumbrel::app
