#include "cli/terminal_load_prompt.h"

#include <unistd.h>

#include <iostream>
#include <sstream>

#include "camera/camera_folders.h"
#include "camera/date_key.h"

namespace lumbrel::cli {
namespace {

std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

TerminalLoadPrompt::TerminalLoadPrompt(LoadOptions options, std::istream& in, std::ostream& err, bool interactive)
    : options_(std::move(options)), in_(in), err_(err), interactive_(interactive) {}

TerminalLoadPrompt::TerminalLoadPrompt(LoadOptions options, std::ostream& err)
    : TerminalLoadPrompt(std::move(options), std::cin, err, ::isatty(STDIN_FILENO) == 1) {}

std::optional<std::string> TerminalLoadPrompt::ask(const std::string& question) {
    err_ << question << std::flush;
    std::string line;
    if (!std::getline(in_, line)) return std::nullopt;
    return line;
}

bool TerminalLoadPrompt::confirmLoad(std::string_view caption, std::string_view text) {
    err_ << caption << ": " << text << "\n";
    if (options_.yes) return true;
    if (!interactive_) {
        err_ << "lumbrel-cli: no terminal to confirm on; suspended (give --yes to load)\n";
        return false;
    }
    const auto answer = ask("Load? [Y/n] ");
    return answer && (answer->empty() || (*answer)[0] == 'y' || (*answer)[0] == 'Y');
}

void TerminalLoadPrompt::showMessage(int stringId, std::string_view text) {
    err_ << "lumbrel-cli: [" << stringId << "] " << text << "\n";
}

std::optional<std::vector<std::size_t>> TerminalLoadPrompt::chooseFolders(const std::vector<std::string>& shown) {
    std::vector<std::size_t> chosen;
    if (!options_.folders.empty()) {
        for (const std::string& folder : options_.folders) {
            const std::string wanted = camera::toUpper(withoutTrailingSeparator(folder));
            std::size_t i = 0;
            while (i < shown.size() && withoutTrailingSeparator(shown[i]) != wanted) ++i;
            if (i == shown.size()) {
                err_ << "lumbrel-cli: " << folder << " is not among the camera folders found\n";
                return std::nullopt;
            }
            chosen.push_back(i);
        }
        return chosen;
    }
    err_ << "Camera folders found:\n";
    for (std::size_t i = 0; i < shown.size(); ++i) err_ << "  " << i + 1 << "  " << shown[i] << "\n";
    if (!interactive_) {
        err_ << "lumbrel-cli: several camera folders; choose them with --folder PATH\n";
        return std::nullopt;
    }
    const auto answer = ask("Folders to load, by number in loading order (empty: cancel): ");
    if (!answer) return std::nullopt;
    std::istringstream numbers(*answer);
    std::size_t n = 0;
    while (numbers >> n)
        if (n >= 1 && n <= shown.size()) chosen.push_back(n - 1);
    if (chosen.empty()) return std::nullopt;
    return chosen;
}

std::optional<std::string> TerminalLoadPrompt::askLoadDate(std::string_view folderShown, bool offerUnassigned) {
    const bool forUndated = undatedByDate_;
    undatedByDate_ = false;
    const std::optional<std::string>& given = forUndated ? options_.undated : options_.date;
    if (given && camera::checkDateKey(*given, offerUnassigned, camera::currentYear())) return *given;
    if (given) err_ << "lumbrel-cli: the date " << *given << " cannot be chosen here\n";
    const std::string preselected = camera::preselectedKey(offerUnassigned);
    if (!interactive_) return given ? std::nullopt : std::optional<std::string>(preselected);
    const std::string question = std::string("Load date") + (folderShown.empty() ? "" : " of ") +
                                 std::string(folderShown) +
                                 (offerUnassigned ? " (YYYYMMDD, or YYYYMM00 for no day)" : " (YYYYMMDD)") + " [" +
                                 preselected + "], or c to cancel: ";
    for (;;) {
        const auto answer = ask(question);
        if (!answer || *answer == "c") return std::nullopt;
        if (answer->empty()) return preselected;
        if (auto key = camera::checkDateKey(*answer, offerUnassigned, camera::currentYear())) return key;
        err_ << "lumbrel-cli: not a date that can be chosen\n";
    }
}

camera::UndatedChoice TerminalLoadPrompt::askUndated() {
    using camera::UndatedChoice;
    ++undatedAsked_;
    err_ << "Recorded date information of some files is not known.\n";
    if (options_.undated) {
        if (*options_.undated == "skip") return UndatedChoice::Cancel;
        if (*options_.undated != "file-date") {
            undatedByDate_ = true;
            return UndatedChoice::ByDate;
        }
    } else if (interactive_) {
        const auto answer = ask("1 sort by the file's date, 2 sort by a date, 3 leave them [1]: ");
        if (!answer || *answer == "3") return UndatedChoice::Cancel;
        if (*answer == "2") {
            undatedByDate_ = true;
            return UndatedChoice::ByDate;
        }
        return UndatedChoice::FileDate;
    }
    // The file date, once: files whose file date is no date stay on the card
    // instead of being asked about again and again.
    if (undatedAsked_ == 1) return UndatedChoice::FileDate;
    err_ << "lumbrel-cli: files without a usable date are left where they are\n";
    return UndatedChoice::Cancel;
}

std::optional<std::string> TerminalLoadPrompt::askTitle(std::string_view folderShown) {
    if (options_.title) return options_.title;
    if (!interactive_) return std::nullopt;
    const auto answer = ask("Title of the library loaded from " + std::string(folderShown) + " (empty: none): ");
    if (!answer || answer->empty()) return std::nullopt;
    return answer;
}

}  // namespace lumbrel::cli
