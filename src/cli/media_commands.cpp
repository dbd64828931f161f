#include "cli/media_commands.h"

#include <cstdlib>
#include <ostream>
#include <string_view>

#include "media/avi_frame.h"
#include "media/jpeg_date.h"
#include "media/jpeg_orientation.h"
#include "media/preview.h"
#include "media/rotate_file.h"
#include "platform/files.h"

namespace lumbrel::cli {

namespace {

constexpr std::string_view kMediaUsage =
    "usage: lumbrel-cli media date [--readable] FILE...\n"
    "       lumbrel-cli media orientation FILE\n"
    "       lumbrel-cli media rotate FILE CODE [OUT]\n"
    "       lumbrel-cli media preview SRC DST\n"
    "       lumbrel-cli media preview --into DIR FILE...\n"
    "       lumbrel-cli media avi-frame SRC DST\n"
    "\n"
    "  date         the recording date as 14 digits YYYYMMDDHHMMSS (--readable:\n"
    "               YYYY:MM:DD HH:MM:SS); with several files, each date is followed\n"
    "               by a tab and the file; a file without a date prints nothing\n"
    "  orientation  the turn the picture needs: 0 upright, 1 a quarter turn\n"
    "               counter-clockwise, 2 a half turn, 3 a quarter turn clockwise,\n"
    "               255 leave alone (unknown, or not turnable without loss)\n"
    "  rotate       turn the picture by CODE (1-3) in place, or into OUT\n"
    "  preview      the preview picture (longer side 320, quality 75) of a\n"
    "               picture or movie; --into writes DIR/NAME.jpg for each file\n"
    "  avi-frame    the first frame of a Motion-JPEG movie as a JPEG file\n";

std::string readable(const std::string& digits) {
    return digits.substr(0, 4) + ":" + digits.substr(4, 2) + ":" + digits.substr(6, 2) + " " + digits.substr(8, 2) +
           ":" + digits.substr(10, 2) + ":" + digits.substr(12, 2);
}

int date(std::vector<std::string> files, std::ostream& out, std::ostream& err) {
    bool asText = false;
    if (!files.empty() && files[0] == "--readable") {
        asText = true;
        files.erase(files.begin());
    }
    if (files.empty()) {
        err << kMediaUsage;
        return 2;
    }
    int status = 0;
    for (const auto& file : files) {
        const auto found = media::readRecordingDateFile(file);
        if (!found) {
            if (!platform::isFile(file)) err << "lumbrel-cli: cannot read " << file << "\n";
            status = 1;
            continue;
        }
        out << (asText ? readable(*found) : *found);
        if (files.size() > 1) out << '\t' << file;
        out << '\n';
    }
    return status;
}

int rotate(const std::vector<std::string>& args, std::ostream& err) {
    char* end = nullptr;
    const long code = std::strtol(args[1].c_str(), &end, 10);
    if (*end != '\0' || code < 0 || code > 3) {
        err << "lumbrel-cli: the turn must be 0, 1, 2 or 3, not " << args[1] << "\n";
        return 2;
    }
    const std::string& target = args.size() == 3 ? args[2] : args[0];
    if (media::rotateFileTo(args[0], target, static_cast<int>(code))) return 0;
    err << "lumbrel-cli: cannot turn " << args[0]
        << " (not a complete baseline JPEG with 2x2 sampling, or it cannot be written)\n";
    return 1;
}

int preview(const std::vector<std::string>& args, std::ostream& err) {
    auto one = [&](const std::string& source, const std::string& target) {
        if (media::makePreview(source, target)) return true;
        err << "lumbrel-cli: cannot make a preview of " << source << "\n";
        return false;
    };
    if (args[0] != "--into") return one(args[0], args[1]) ? 0 : 1;
    int status = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        std::string name(platform::lastComponent(args[i]));
        const auto dot = name.rfind('.');
        if (dot != std::string::npos) name.resize(dot);
        if (!one(args[i], platform::joinPath(args[1], name + ".jpg"))) status = 1;
    }
    return status;
}

int aviFrame(const std::vector<std::string>& args, std::ostream& err) {
    const auto movie = platform::readFile(args[0]);
    if (!movie) {
        err << "lumbrel-cli: cannot read " << args[0] << "\n";
        return 1;
    }
    const auto frame = media::extractFirstFrame(*movie);
    if (!frame) {
        err << "lumbrel-cli: " << args[0] << " holds no baseline Motion-JPEG frame\n";
        return 1;
    }
    if (!platform::writeFileAtomic(args[1], *frame)) {
        err << "lumbrel-cli: cannot write " << args[1] << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int runMedia(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string command = args.empty() ? "" : args[0];
    const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
    if (command == "--help" || command == "-h") {
        out << kMediaUsage;
        return 0;
    }
    if (command == "date") return date(rest, out, err);
    if (command == "orientation" && rest.size() == 1) {
        if (!platform::isFile(rest[0])) {
            err << "lumbrel-cli: cannot read " << rest[0] << "\n";
            return 1;
        }
        out << static_cast<int>(media::readOrientationFile(rest[0])) << "\n";
        return 0;
    }
    if (command == "rotate" && (rest.size() == 2 || rest.size() == 3)) return rotate(rest, err);
    if (command == "preview" && rest.size() == 2 && rest[0] != "--into") return preview(rest, err);
    if (command == "preview" && rest.size() >= 3 && rest[0] == "--into") return preview(rest, err);
    if (command == "avi-frame" && rest.size() == 2) return aviFrame(rest, err);
    err << kMediaUsage;
    return 2;
}

}  // namespace lumbrel::cli
