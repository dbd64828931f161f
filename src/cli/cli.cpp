#include "cli/cli.h"

#include <ostream>
#include <string_view>

#include "app/strings.h"
#include "cli/album_command.h"
#include "cli/field_text.h"
#include "cli/library_session.h"
#include "cli/maintenance_commands.h"
#include "cli/load_commands.h"
#include "cli/media_commands.h"
#include "cli/pages_commands.h"
#include "cli/serial_commands.h"
#include "cli/settings_commands.h"
#include "cli/template_commands.h"
#include "library/index_file.h"

namespace lumbrel::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: lumbrel-cli [--home DIR] info\n"
    "       lumbrel-cli [--home DIR] pages ...   (lumbrel-cli pages --help)\n"
    "       lumbrel-cli [--home DIR] album KEY [--template N] [--pattern N]\n"
    "       lumbrel-cli index dump FILE\n"
    "       lumbrel-cli index copy IN OUT\n"
    "       lumbrel-cli media ...                (lumbrel-cli media --help)\n"
    "       lumbrel-cli [--home DIR] camera [LOAD OPTIONS]   (lumbrel-cli camera --help)\n"
    "       lumbrel-cli [--home DIR] load [LOAD OPTIONS] SOURCE...\n"
    "       lumbrel-cli [--home DIR] auto\n"
    "       lumbrel-cli [--home DIR] load-other [--move] FOLDER...\n"
    "       lumbrel-cli [--home DIR] list | retitle | rebuild | delete | delete-images\n"
    "                                | copy | move | move-root ...   (lumbrel-cli list --help)\n"
    "       lumbrel-cli [--home DIR] settings list | get SECTION KEY | set SECTION KEY VALUE\n"
    "       lumbrel-cli [--home DIR] mail list\n"
    "       lumbrel-cli [--home DIR] template list | set TITLE COLOUR\n"
    "       lumbrel-cli [--home DIR] serial test [--port P] [--speed S] [--save]\n"
    "       lumbrel-cli [--home DIR] serial folders [--port P]\n"
    "       lumbrel-cli [--home DIR] serial load --batch | --folder NAME [--port P] [--speed S]\n"
    "\n"
    "  info         show the program folder, the save folder, the index file and\n"
    "               the number of libraries and images\n"
    "  index dump   print every library and image record of an index file, one per\n"
    "               line, fields separated by tabs, in file order\n"
    "  index copy   read an index file and write it again to OUT\n"
    "  pages        write the library web site anew or refresh libraries' pages\n"
    "  album        write the album pages of the library KEY through the template\n"
    "               plug-in of the settings, or its template N / colour pattern N\n"
    "  camera       load the pictures of the camera folders on the mounted drives\n"
    "  load         load the pictures of the given camera folders (DCIM or marked)\n"
    "  auto         load the drive named by a pending automatic-load request\n"
    "  load-other   load the pictures and movies of up to 10 folders of your choice\n"
    "  list ...     look after the libraries: list, retitle, rebuild, delete them or\n"
    "               their pictures, copy or move them, move the image library\n"
    "  settings     show or change the settings of the Setup page\n"
    "  mail         show the mail programs that album pages can send pictures with\n"
    "  template     show the templates of the plug-ins, or choose one and its colours\n"
    "  serial test  look for a camera on a serial port (--save keeps port and speed)\n"
    "  serial folders  list the camera folders of a camera on a serial port\n"
    "  serial load  load the pictures and movies of a camera on a serial port\n"
    "\n"
    "The program folder is DIR, else $LUMBREL_HOME, else the folder of this program.\n";

bool readIndex(const std::string& path, library::CKDCardAlbumDoc& doc, std::ostream& err) {
    const auto read = library::openIndexFile(path, doc);
    if (read.ok()) return true;
    err << "lumbrel-cli: cannot read index file " << path << ": " << library::describe(read.error);
    if (read.error != library::IndexError::CannotOpen) err << " at byte " << read.offset;
    err << "\n";
    return false;
}

int dump(const std::string& path, std::ostream& out, std::ostream& err) {
    library::CKDCardAlbumDoc doc;
    if (!readIndex(path, doc, err)) return 1;
    for (const auto& a : doc.albums()) {
        out << "album\t" << field(a->versionTag) << '\t' << field(a->title) << '\t' << field(a->folderPath) << '\t'
            << field(a->indexPagePath) << '\t' << field(a->templateName) << '\t' << a->totalSize << '\t'
            << a->imageCount << '\t' << a->shortcutFlag << '\t' << a->printButton << '\t' << a->attachmentSize
            << '\t' << field(a->mailSoftware) << '\n';
    }
    for (const auto& p : doc.images()) {
        out << "image";
        for (std::string_view t : p->texts()) out << '\t' << field(t);
        out << '\t' << p->fileSize() << '\t' << p->flag() << '\n';
    }
    return 0;
}

int copy(const std::string& in, const std::string& outPath, std::ostream& err) {
    library::CKDCardAlbumDoc doc;
    if (!readIndex(in, doc, err)) return 1;
    if (!library::saveIndexFile(doc, outPath)) {
        err << "lumbrel-cli: cannot write index file " << outPath << "\n";
        return 1;
    }
    return 0;
}

int info(const std::string& home, std::ostream& out, std::ostream& err) {
    LibrarySession session(err);
    if (!session.start(home)) return 1;
    app::Application& application = session.application();
    const auto& doc = application.document();
    out << "Program folder: " << application.programFolder() << "\n"
        << "Save folder: " << application.saveFolder() << "\n"
        << "Index file: " << application.indexPath() << "\n"
        << "Libraries: " << doc.albums().size() << "\n"
        << "Images: " << doc.images().size() << "\n"
        << "Automatic loading: " << app::text(application.automaticLoading() ? app::kStrOn : app::kStrOff) << "\n"
        << "Settings file: " << session.profile().path() << "\n";
    application.exit();
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string home;
    std::size_t i = 0;
    if (i < args.size() && (args[i] == "--help" || args[i] == "-h")) {
        out << kUsage;
        return 0;
    }
    if (i + 1 < args.size() && args[i] == "--home") {
        home = args[i + 1];
        i += 2;
    }
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (rest.size() == 1 && rest[0] == "info") return info(home, out, err);
    if (!rest.empty() && rest[0] == "pages")
        return runPages(home, std::vector<std::string>(rest.begin() + 1, rest.end()), out, err);
    if (!rest.empty() && rest[0] == "album")
        return runAlbum(home, std::vector<std::string>(rest.begin() + 1, rest.end()), out, err);
    const std::vector<std::string> commandArgs(rest.empty() ? rest.end() : rest.begin() + 1, rest.end());
    if (!rest.empty() && rest[0] == "camera") return runCamera(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "load") return runLoad(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "auto") return runAuto(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "load-other") return runLoadOther(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "settings") return runSettings(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "mail") return runMail(home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "template") return runTemplate(home, commandArgs, out, err);
    if (rest.size() >= 2 && rest[0] == "serial" && rest[1] == "load")
        return runSerialLoad(home, std::vector<std::string>(rest.begin() + 2, rest.end()), out, err);
    if (!rest.empty() && rest[0] == "serial") return runSerial(home, commandArgs, out, err);
    if (!rest.empty() && isMaintenanceCommand(rest[0])) return runMaintenance(rest[0], home, commandArgs, out, err);
    if (!rest.empty() && rest[0] == "media")
        return runMedia(std::vector<std::string>(rest.begin() + 1, rest.end()), out, err);
    if (rest.size() == 3 && rest[0] == "index" && rest[1] == "dump") return dump(rest[2], out, err);
    if (rest.size() == 4 && rest[0] == "index" && rest[1] == "copy") return copy(rest[2], rest[3], err);
    err << kUsage;
    return 2;
}

}  // namespace lumbrel::cli
