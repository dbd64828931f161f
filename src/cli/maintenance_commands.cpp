#include "cli/maintenance_commands.h"

#include <unistd.h>

#include <array>
#include <iostream>
#include <optional>

#include "app/strings.h"
#include "cli/field_text.h"
#include "cli/library_session.h"
#include "library/library_folder.h"
#include "maintenance/carry.h"
#include "maintenance/delete_libraries.h"
#include "maintenance/library_list.h"
#include "maintenance/page_writer_site.h"
#include "maintenance/rebuild.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::cli {
namespace {

using namespace maintenance;

constexpr std::string_view kUsage =
    "usage: lumbrel-cli [--home DIR] list\n"
    "       lumbrel-cli [--home DIR] retitle LIB TITLE\n"
    "       lumbrel-cli [--home DIR] rebuild [--yes] [LIB...]\n"
    "       lumbrel-cli [--home DIR] rebuild --all-options [--yes]\n"
    "       lumbrel-cli [--home DIR] delete [--yes] LIB...\n"
    "       lumbrel-cli [--home DIR] delete-images [--yes] LIB FILE...\n"
    "       lumbrel-cli [--home DIR] copy LIB... DEST\n"
    "       lumbrel-cli [--home DIR] move [--yes] LIB... DEST\n"
    "       lumbrel-cli [--home DIR] move-root [--yes] DEST\n"
    "\n"
    "  list           one library a line, in index order: date, title, number of\n"
    "                 images, template, location (tab-separated)\n"
    "  retitle        give the library a new title (at most 40 bytes are kept)\n"
    "  rebuild        scan the libraries (all without LIB) again, write their album\n"
    "                 pages with the current template and update the site;\n"
    "                 --all-options: every library keeps its own template and takes\n"
    "                 the current mail and print options\n"
    "  delete         move the libraries to the desktop's trash and out of the index\n"
    "  delete-images  move the library's pictures or movies FILE (names or paths) to\n"
    "                 the trash and rebuild the library\n"
    "  copy           copy the libraries into the folder DEST (the index is unchanged)\n"
    "  move           move the libraries into the folder DEST; they leave the index\n"
    "  move-root      move the image library root into DEST (a folder \"Image Library\"\n"
    "                 is made in DEST unless DEST is named so)\n"
    "\n"
    "LIB is a library's folder name (its key) or its full location. --yes answers the\n"
    "questions; without a terminal and without --yes nothing is deleted or moved.\n"
    "Ctrl-C while files are carried stops and puts everything back.\n"
    "Exit status: 0 done, 1 failed, refused or stopped (everything as before), 2 wrong usage.\n";

// The questions of a command on the terminal, or answered by --yes.
class TerminalMaintenancePrompt : public MaintenancePrompt {
public:
    TerminalMaintenancePrompt(std::ostream& err, bool yes)
        : err_(err), yes_(yes), interactive_(::isatty(STDIN_FILENO) == 1) {}

    bool confirm(Confirmation which) override {
        switch (which) {
        case Confirmation::RebuildSelected:
            return agree(std::string(app::kRebuildSelectedLine1) + "\n" + std::string(app::kRebuildSelectedLine2));
        case Confirmation::RebuildAll:
            return agree(std::string(app::kRebuildAllLine1) + "\n" + std::string(app::kRebuildAllLine2) + "\n" +
                         std::string(app::kRebuildAllLine3));
        case Confirmation::DeleteLibraries: return agree(trimmed(app::kDeleteLibrariesText));
        case Confirmation::DeleteImages:
            return agree(trimmed(app::kDeleteImagesLine1) + "\n" + trimmed(app::kDeleteImagesLine2));
        }
        return false;
    }

    DeleteAnswer askDeleteLibrary(LibraryKind kind, std::string_view shown) override {
        if (yes_) return DeleteAnswer::Yes;
        err_ << (kind == LibraryKind::Shortcut ? app::kDeleteShortcutText : app::kDeleteOrdinaryText) << "\n  "
             << shown << "\n";
        if (!interactive_) {
            refused();
            return DeleteAnswer::Cancel;
        }
        err_ << "[y]es, [a]ll, [n]o, [c]ancel? " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer) || answer.empty()) return DeleteAnswer::Cancel;
        switch (answer[0]) {
        case 'y':
        case 'Y': return DeleteAnswer::Yes;
        case 'a':
        case 'A': return DeleteAnswer::DeleteAll;
        case 'n':
        case 'N': return DeleteAnswer::No;
        default: return DeleteAnswer::Cancel;
        }
    }

    bool askDeleteReadOnly(const std::string& imageFile, const std::string&) override {
        return agree(std::string(app::kReadOnlyText) + "\n  " + imageFile);
    }

    void showError(int stringId, std::string_view text) override {
        (void)stringId;
        std::string line(text);
        for (char& c : line)
            if (c == '\n') c = ' ';
        err_ << "lumbrel-cli: " << line << "\n";
    }

    /// A yes/no question: --yes says yes; without a terminal the answer is no.
    bool agree(const std::string& question) {
        if (yes_) return true;
        err_ << question << "\n";
        if (!interactive_) {
            refused();
            return false;
        }
        err_ << "[y/N] " << std::flush;
        std::string answer;
        return std::getline(std::cin, answer) && !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    }

private:
    static std::string trimmed(std::string_view text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                out += '\n';
                while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
                continue;
            }
            if (out.empty() && text[i] == ' ') continue;
            out += text[i];
        }
        return out;
    }
    void refused() {
        if (told_) return;
        told_ = true;
        err_ << "lumbrel-cli: no terminal to ask and no --yes: nothing is deleted or moved\n";
    }

    std::ostream& err_;
    bool yes_;
    bool interactive_;
    bool told_ = false;
};

// The library that arg names: a full location, or a key naming one library.
std::optional<std::string> resolveLibrary(const library::CKDCardAlbumDoc& doc, const std::string& arg,
                                          std::ostream& err) {
    if (arg.find('/') != std::string::npos) {
        if (const library::CAlbumData* album = doc.findLibrary(destinationPath(arg))) return album->folderPath;
        err << "lumbrel-cli: no library at " << arg << "\n";
        return std::nullopt;
    }
    std::vector<std::string> found;
    for (const auto& album : doc.albums())
        if (platform::equalNoCase(album->key(), arg)) found.push_back(album->folderPath);
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        err << "lumbrel-cli: no library " << arg << " (lumbrel-cli list shows them)\n";
    } else {
        err << "lumbrel-cli: " << arg << " names " << found.size() << " libraries; give the location of one:";
        for (const std::string& location : found) err << "\n  " << location;
        err << "\n";
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> resolveAll(const library::CKDCardAlbumDoc& doc,
                                                   const std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> out;
    for (const std::string& arg : args) {
        auto location = resolveLibrary(doc, arg, err);
        if (!location) return std::nullopt;
        out.push_back(*location);
    }
    return out;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
}

// The refusal of a destination, as the destination dialogs say it.
bool destinationRefused(DestinationProblem problem, CarryKind kind, const std::string& dest, std::ostream& err) {
    switch (problem) {
    case DestinationProblem::None: return false;
    case DestinationProblem::NoPath: err << "lumbrel-cli: no destination folder given\n"; break;
    case DestinationProblem::IsSaveFolder:
        err << "lumbrel-cli: " << dest << " is the image library itself; choose another folder\n";
        break;
    case DestinationProblem::InsideCarried:
        err << "lumbrel-cli: " << dest
            << (kind == CarryKind::MoveRoot ? " lies inside the image library" : " lies inside a library being carried")
            << "; a folder cannot be carried into itself\n";
        break;
    case DestinationProblem::NoRoom:
        if (kind == CarryKind::MoveRoot)
            err << "lumbrel-cli: " << app::kNoRoomRootLine1 << " " << app::kNoRoomRootLine2 << "\n";
        else
            err << "lumbrel-cli: " << app::kNoRoomLine1 << " " << app::kNoRoomLine2 << "\n";
        break;
    }
    return true;
}

int reportCarry(const CarryResult& r, bool interrupted, std::string_view done, std::ostream& out,
                std::ostream& err) {
    if (r.outcome == CarryResult::Outcome::Failed) {
        err << "lumbrel-cli: " << r.failure << "; everything was put back as before\n";
        return 1;
    }
    if (r.outcome == CarryResult::Outcome::Cancelled) {
        err << "lumbrel-cli: " << (interrupted ? "suspended" : "stopped") << "; everything was put back as before\n";
        return 1;
    }
    if (!r.skipped.empty()) err << "lumbrel-cli: left where they are already: " << joined(r.skipped) << "\n";
    if (!r.keptInPlace.empty())
        err << "lumbrel-cli: " << r.keptInPlace.size()
            << " old files stay where they were (they changed while being carried): " << joined(r.keptInPlace) << "\n";
    out << done << " " << r.carried.size() << (r.carried.size() == 1 ? " library" : " libraries") << " (" << r.files
        << (r.files == 1 ? " file" : " files") << ")\n";
    return 0;
}

// The command's session, context and answers, built once the program has started.
struct Command {
    Command(std::ostream& err, bool yes) : session(err), prompt(err, yes), wait(err) {}
    bool start(const std::string& home) {
        if (!session.start(home)) return false;
        site.emplace(session.site());
        app::Application& a = session.application();
        context.emplace(MaintenanceContext{a.settings(), a.document(), prompt, session.progress(), a.programFolder(),
                                           a.indexPath(), &*site, &wait});
        return true;
    }
    library::CKDCardAlbumDoc& doc() { return session.application().document(); }

    LibrarySession session;
    TerminalMaintenancePrompt prompt;
    TerminalWaitWindow wait;
    std::optional<PageWriterSite> site;
    std::optional<MaintenanceContext> context;
};

int list(Command& c, std::ostream& out) {
    for (const LibraryListItem& item : listItems(c.doc()))
        out << field(item.dateText) << '\t' << field(item.title) << '\t' << item.imageCount << '\t'
            << field(item.templateText) << '\t' << field(item.location) << '\n';
    return 0;
}

int retitle(Command& c, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto location = resolveLibrary(c.doc(), args[0], err);
    if (!location) return 1;
    switch (changeTitle(*c.context, *location, args[1])) {
    case TitleResult::Changed:
        out << "Title of " << *location << ": " << c.doc().findLibrary(*location)->title << "\n";
        return 0;
    case TitleResult::NoSuchLibrary: err << "lumbrel-cli: no library at " << *location << "\n"; return 1;
    case TitleResult::SaveFailed: err << "lumbrel-cli: the index could not be saved; the title is unchanged\n"; return 1;
    }
    return 1;
}

int rebuild(Command& c, const std::vector<std::string>& args, bool allOptions, std::ostream& out,
            std::ostream& err) {
    RebuildResult r;
    if (allOptions) {
        r = rebuildAll(*c.context);
    } else {
        std::vector<std::string> locations;
        if (args.empty()) {
            for (const auto& album : c.doc().albums()) locations.push_back(album->folderPath);
        } else {
            auto resolved = resolveAll(c.doc(), args, err);
            if (!resolved) return 1;
            locations = std::move(*resolved);
        }
        r = rebuildSelected(*c.context, locations);
    }
    if (!r.confirmed) return 1;
    if (!r.saved) return 1;  // the message is out already
    if (!r.skipped.empty()) err << "lumbrel-cli: not reachable, left as they are: " << joined(r.skipped) << "\n";
    if (!r.removed.empty())
        out << "Deleted " << r.removed.size() << " libraries that no longer hold a picture: " << joined(r.removed)
            << "\n";
    out << "Rebuilt " << (r.kept.size() - r.skipped.size()) << " libraries\n";
    return 0;
}

int deleteCommand(Command& c, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto locations = resolveAll(c.doc(), args, err);
    if (!locations) return 1;
    const DeleteLibrariesResult r = deleteLibraries(*c.context, *locations);
    if (!r.confirmed || (!r.saved && !r.deleted.empty())) return 1;
    if (r.deleted.empty()) {
        err << "lumbrel-cli: nothing was deleted\n";
        return 1;
    }
    if (!r.leftOnDisk.empty())
        err << "lumbrel-cli: could not be removed from the disk: " << joined(r.leftOnDisk) << "\n";
    out << "Deleted " << r.deleted.size() << (r.deleted.size() == 1 ? " library" : " libraries");
    if (r.trashed) out << " (in the desktop's trash)";
    out << "\n";
    return 0;
}

// The preview entry of FILE among the library's pictures, by name or path.
std::optional<std::size_t> previewEntry(const std::vector<std::string>& previews, const std::string& file) {
    for (std::size_t k = 0; k < previews.size(); ++k) {
        const std::string f(platform::parentPath(platform::parentPath(previews[k])));
        const std::string name(platform::lastComponent(previews[k]));
        std::string picture = platform::joinPath(f, name);
        if (!platform::exists(picture) && picture.size() >= 3) {
            std::string movie = picture;
            movie.replace(movie.size() - 3, 3, "AVI");
            if (platform::exists(movie)) picture = movie;
        }
        if (platform::equalNoCase(file, platform::lastComponent(picture)) || file == picture ||
            platform::equalNoCase(file, name))
            return k;
    }
    return std::nullopt;
}

int deleteImages(Command& c, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto location = resolveLibrary(c.doc(), args[0], err);
    if (!location) return 1;
    const std::vector<std::string> previews = library::previewList(*location);
    resetMarks(c.doc());
    for (std::size_t i = 1; i < args.size(); ++i) {
        const auto k = previewEntry(previews, args[i]);
        if (!k) {
            err << "lumbrel-cli: " << args[i] << " is not a picture of " << *location << "\n";
            return 1;
        }
        if (!isMarked(c.doc(), *location, *k)) toggleMark(c.doc(), *location, *k);
    }
    const DeleteImagesResult r = deleteMarkedImages(*c.context, {{*location}, *location, 0});
    if (!r.confirmed || !r.saved) return 1;
    out << "Deleted " << r.deleted << (r.deleted == 1 ? " picture" : " pictures");
    if (r.trashed) out << " (in the desktop's trash)";
    if (!r.removedLibraries.empty()) out << "; the library held no other picture and was deleted";
    out << "\n";
    return r.deleted == args.size() - 1 ? 0 : 1;
}

int carry(Command& c, CarryKind kind, const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string dest = destinationPath(args.back());
    const std::string saveFolder = c.context->settings.saveFolder();
    std::vector<std::string> locations;
    if (kind != CarryKind::MoveRoot) {
        auto resolved = resolveAll(c.doc(), std::vector<std::string>(args.begin(), args.end() - 1), err);
        if (!resolved) return 1;
        locations = std::move(*resolved);
    } else {
        for (const auto& album : c.doc().albums()) locations.push_back(album->folderPath);
    }
    if (!platform::isDirectory(dest) && kind != CarryKind::MoveRoot) {
        err << "lumbrel-cli: " << dest << " is not a folder\n";
        return 1;
    }
    const std::uint64_t volume = storedBytes(c.doc(), locations) / 1024;
    const std::vector<std::string> carried = kind == CarryKind::MoveRoot ? std::vector<std::string>{saveFolder} : locations;
    if (destinationRefused(checkDestination(kind, dest, volume, carried, saveFolder), kind, dest, err)) return 1;
    c.session.progress().catchSignals();
    switch (kind) {
    case CarryKind::Copy:
        return reportCarry(copyLibraries(*c.context, locations, dest), c.session.progress().interrupted(), "Copied",
                           out, err);
    case CarryKind::Move:
        if (!c.prompt.agree("Move " + std::to_string(locations.size()) +
                            (locations.size() == 1 ? " library to " : " libraries to ") + dest +
                            "? They leave the image library."))
            return 1;
        return reportCarry(moveLibraries(*c.context, locations, dest), c.session.progress().interrupted(), "Moved",
                           out, err);
    case CarryKind::MoveRoot: {
        if (!c.prompt.agree("Move the image library " + saveFolder + " to " + dest + "?")) return 1;
        const MoveRootResult r = moveSaveFolder(*c.context, dest);
        if (r.onlySetting) {
            out << "The image library is now " << r.newRoot;
            if (r.adoptedIndex) out << " (its index file was taken)";
            out << "\n";
            return r.carry.ok() ? 0 : 1;
        }
        const int status = reportCarry(r.carry, c.session.progress().interrupted(), "Moved", out, err);
        if (status == 0) out << "The image library is now " << r.newRoot << "\n";
        return status;
    }
    }
    return 1;
}

constexpr std::array<std::string_view, 8> kCommands{"list",   "retitle", "rebuild", "delete",
                                                    "delete-images", "copy", "move", "move-root"};

}  // namespace

bool isMaintenanceCommand(std::string_view name) {
    for (std::string_view c : kCommands)
        if (c == name) return true;
    return false;
}

int runMaintenance(std::string_view name, const std::string& home, const std::vector<std::string>& args,
                   std::ostream& out, std::ostream& err) {
    bool yes = false, allOptions = false;
    std::vector<std::string> operands;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return 0;
        }
        if (arg == "--yes") {
            yes = true;
        } else if (arg == "--all-options" && name == "rebuild") {
            allOptions = true;
        } else if (arg.starts_with("--")) {
            err << "lumbrel-cli: unknown option " << arg << "\n" << kUsage;
            return 2;
        } else {
            operands.push_back(arg);
        }
    }
    const std::size_t n = operands.size();
    const bool fits = (name == "list" && n == 0) || (name == "retitle" && n == 2) ||
                      (name == "rebuild" && (!allOptions || n == 0)) || (name == "delete" && n >= 1) ||
                      (name == "delete-images" && n >= 2) || ((name == "copy" || name == "move") && n >= 2) ||
                      (name == "move-root" && n == 1);
    if (!fits) {
        err << kUsage;
        return 2;
    }
    Command command(err, yes);
    if (!command.start(home)) return 1;
    int status = 1;
    if (name == "list") status = list(command, out);
    else if (name == "retitle") status = retitle(command, operands, out, err);
    else if (name == "rebuild") status = rebuild(command, operands, allOptions, out, err);
    else if (name == "delete") status = deleteCommand(command, operands, out, err);
    else if (name == "delete-images") status = deleteImages(command, operands, out, err);
    else if (name == "copy") status = carry(command, CarryKind::Copy, operands, out, err);
    else if (name == "move") status = carry(command, CarryKind::Move, operands, out, err);
    else if (name == "move-root") status = carry(command, CarryKind::MoveRoot, operands, out, err);
    command.session.application().exit();
    return status;
}

}  // namespace lumbrel::cli
