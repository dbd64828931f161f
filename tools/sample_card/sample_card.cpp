#include "sample_card.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <new>
#include <system_error>

#include "avi_writer.h"
#include "camera_blocks.h"
#include "jpeg_encode.h"
#include "picture.h"

namespace lumbrel::samplecard {
namespace {

enum class Kind { Exif, Kdci, Plain, Movie, Text };

struct Item {
    const char* path;
    Kind kind;
    int width = 0, height = 0;
    const char* date = nullptr;  ///< nullptr: no date, the fixed file time is used
    ByteOrder order = ByteOrder::Intel;
    int orientation = 1;         ///< Exif Orientation value, or the KDCI orientation code
    bool thumbnail = false;
    bool shortDimensions = false;
    bool large = false;          ///< only with --large
    const char* model = "KD-310";
    int frames = 0;
    bool sound = false;
    const char* text = nullptr;
};

constexpr auto II = ByteOrder::Intel;
constexpr auto MM = ByteOrder::Motorola;

// File time of the files that carry no recording time.
constexpr const char* kUndatedFileTime = "2001:07:01 12:00:00";

// The card. Sizes that are multiples of 16 (whole 4:2:0 MCUs) and sizes that
// are not; both TIFF byte orders; every Exif orientation that asks for a turn.
const Item kCard[] = {
    {.path = "DCIM/100ORRIN/ABCD0001.JPG", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "2001:06:16 09:12:03", .order = II, .orientation = 1, .thumbnail = true},
    {.path = "DCIM/100ORRIN/ABCD0002.JPG", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "2001:06:16 09:15:41", .order = MM, .orientation = 6, .thumbnail = true},
    {.path = "DCIM/100ORRIN/ABCD0003.JPG", .kind = Kind::Exif, .width = 1024, .height = 768,
     .date = "2001:06:16 14:02:10", .order = II, .orientation = 8},
    {.path = "DCIM/100ORRIN/ABCD0004.JPG", .kind = Kind::Exif, .width = 1024, .height = 768,
     .date = "2001:06:17 10:30:00", .order = MM, .orientation = 3, .shortDimensions = true},
    {.path = "DCIM/100ORRIN/ABCD0005.JPG", .kind = Kind::Exif, .width = 1600, .height = 1200,
     .date = "2001:06:17 11:45:27", .order = II, .orientation = 1, .thumbnail = true},
    {.path = "DCIM/100ORRIN/ABCD0006.JPG", .kind = Kind::Exif, .width = 1000, .height = 750,
     .date = "2001:06:17 18:20:05", .order = MM, .orientation = 1},
    {.path = "DCIM/100ORRIN/ABCD0007.JPG", .kind = Kind::Exif, .width = 1000, .height = 750,
     .date = "2001:06:18 08:05:59", .order = II, .orientation = 6},
    {.path = "DCIM/100ORRIN/ABCD0008.JPG", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "1999:12:31 23:59:50", .order = MM, .orientation = 1, .shortDimensions = true, .model = "KD-220"},
    {.path = "DCIM/100ORRIN/ABCD0009.JPG", .kind = Kind::Exif, .width = 1600, .height = 1200,
     .date = "2001:06:18 12:00:00", .order = MM, .orientation = 8, .thumbnail = true},
    {.path = "DCIM/100ORRIN/ABCD0010.JPG", .kind = Kind::Exif, .width = 800, .height = 600,
     .date = "2001:06:19 07:30:12", .order = II, .orientation = 3},
    {.path = "DCIM/100ORRIN/ABCD0011.AVI", .kind = Kind::Movie, .width = 320, .height = 240,
     .date = "2001:06:19 16:10:00", .frames = 5, .sound = true},
    {.path = "DCIM/100ORRIN/ABCD0012.AVI", .kind = Kind::Movie, .width = 640, .height = 480,
     .date = "2001:06:19 16:12:30", .frames = 4},
    {.path = "DCIM/100ORRIN/ABCD0013.JPG", .kind = Kind::Exif, .width = 2272, .height = 1704,
     .date = "2001:06:19 17:01:44", .order = II, .orientation = 1, .thumbnail = true, .large = true},
    {.path = "DCIM/100ORRIN/ABCD0014.JPG", .kind = Kind::Exif, .width = 2048, .height = 1536,
     .date = "2001:06:19 17:03:02", .order = MM, .orientation = 6, .large = true},

    {.path = "DCIM/101ORRIN/abcd0101.jpg", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "2001:06:18 15:20:00", .order = II, .orientation = 1, .thumbnail = true},
    {.path = "DCIM/101ORRIN/ABCD0102.Jpg", .kind = Kind::Exif, .width = 1024, .height = 768,
     .date = "2001:06:18 15:22:45", .order = MM, .orientation = 6},
    {.path = "DCIM/101ORRIN/ABCD0103.JPG", .kind = Kind::Plain, .width = 640, .height = 480},
    // Number 0000 lies outside 0001 to 9999: loaders skip this picture.
    {.path = "DCIM/101ORRIN/ABCD0000.JPG", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "2001:06:18 16:00:00", .order = II, .orientation = 1},
    {.path = "DCIM/101ORRIN/NOTES.TXT", .kind = Kind::Text,
     .text = "Sample card written by make-sample-card.\r\nThis file is not a picture.\r\n"},
    // MISC is not a DCF folder name (no number 100 to 999): loaders skip it.
    {.path = "DCIM/MISC/ABCD0201.JPG", .kind = Kind::Exif, .width = 640, .height = 480,
     .date = "2001:06:17 12:00:00", .order = MM, .orientation = 1},

    {.path = "KDCAM/KDCAM.KDS", .kind = Kind::Text, .text = "Orrin KD-110 image folder\r\n"},
    {.path = "KDCAM/PHOTO/KDC_0001.JPG", .kind = Kind::Kdci, .width = 640, .height = 480,
     .date = "2001:06:16 13:00:00", .orientation = 0, .model = "KD-110"},
    {.path = "KDCAM/PHOTO/KDC_0002.JPG", .kind = Kind::Kdci, .width = 640, .height = 480,
     .date = "2001:06:17 13:30:20", .orientation = 3, .model = "KD-110"},
};

std::string fileName(const Item& item) {
    const std::string path = item.path;
    return path.substr(path.rfind('/') + 1);
}

// Characters 5 to 8 of the file name: the picture number shown on the plate.
std::string number(const Item& item) { return fileName(item).substr(4, 4); }

// How many quarter turns clockwise take the upright scene to the stored
// picture. The stored picture is what the camera recorded; the viewer undoes
// the turn as the Exif Orientation (or the KDCI code) tells it.
int storedTurns(const Item& item) {
    if (item.kind == Kind::Kdci) return item.orientation & 3;  // 1: viewer turns counter-clockwise
    switch (item.orientation) {
        case 3: return 2;
        case 6: return 3;  // viewer turns clockwise
        case 8: return 1;  // viewer turns counter-clockwise
        default: return 0;
    }
}

Picture storedPicture(const Item& item, std::uint32_t seed) {
    const int turns = storedTurns(item);
    const bool across = turns % 2 == 1;
    const Picture scene = drawScene(across ? item.height : item.width, across ? item.width : item.height,
                                    {.label = number(item), .seed = seed});
    return turnClockwise(scene, turns);
}

// A few ways of taking a picture, taken in turn by picture number, so that
// the data pages show a variety of real values.
Shot shotOf(std::uint32_t pictureNumber) {
    switch (pictureNumber % 4) {
        case 0:  // a dim room, with the flash
            return {.tv = 6, .av = 3, .flashFired = true, .flashMode = 2, .exposureMode = 2, .iso = 200};
        case 1:  // daylight, all automatic
            return {.tv = 8, .av = 5, .whiteBalance = 3};
        case 2:  // a landscape at a small aperture, a third of a stop under
            return {.tv = 7, .av = 6, .biasThirds = -1, .program = 3, .exposureMode = 4, .focusMode = 3};
        default:  // a detail brought close with the digital zoom
            return {.tv = 9, .av = 4, .metering = 2, .flashMode = 4, .quality = 2, .zoom = 2};
    }
}

bool makePicture(const Item& item, std::uint32_t seed, Bytes& out, std::string& details, std::string& error) {
    const Picture picture = storedPicture(item, seed);
    JpegOptions options;
    const auto pictureNumber = static_cast<std::uint32_t>(std::stoul(number(item)));
    if (item.kind == Kind::Exif) {
        ExifFields exif{.order = item.order, .model = item.model, .orientation = item.orientation,
                        .dateTime = item.date, .width = item.width, .height = item.height,
                        .dimensionsAsShort = item.shortDimensions, .shot = shotOf(pictureNumber)};
        if (item.thumbnail) {
            JpegOptions thumbOptions{.quality = 75};
            if (!encodeJpeg(shrink(picture, 160, 160 * item.height / item.width), thumbOptions, exif.thumbnail, error))
                return false;
        }
        options.segments.push_back({1, exifPayload(exif)});
        details = std::string("Exif ") + (item.order == ByteOrder::Intel ? "II" : "MM") + ", orientation " +
                  std::to_string(item.orientation) + (item.thumbnail ? ", thumbnail" : "");
    } else if (item.kind == Kind::Kdci) {
        options.segments.push_back({1, kdciPayload({.model = item.model, .dateTime = item.date,
                                                    .orientationCode = item.orientation,
                                                    .pictureNumber = pictureNumber, .shot = shotOf(pictureNumber)})});
        details = "KDCI, orientation code " + std::to_string(item.orientation);
    } else {
        options.jfif = true;
        details = "JFIF, no date";
    }
    return encodeJpeg(picture, options, out, error);
}

// The camera's Exif block in the first frame, after its AVI1 segment: the
// maker's settings name the shot a movie (recording mode 8). The frame
// carries the recording time too; loaders still date a movie by its file time.
void insertMovieExif(const Item& item, Bytes& frame) {
    Shot shot{.recordingMode = 8};
    const Bytes payload = exifPayload({.model = item.model, .dateTime = item.date, .width = item.width, .height = item.height, .shot = shot});
    const std::size_t length = payload.size() + 2;
    Bytes segment{0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    const std::size_t afterApp0 = 4 + (std::size_t{frame[4]} << 8 | frame[5]);  // FF D8, then FF E0 and its length
    frame.insert(frame.begin() + static_cast<std::ptrdiff_t>(afterApp0), segment.begin(), segment.end());
}

bool makeMovie(const Item& item, std::uint32_t seed, Bytes& out, std::string& details, std::string& error) {
    AviMovie movie{.width = item.width, .height = item.height, .framesPerSecond = 10};
    for (int i = 0; i < item.frames; ++i) {
        const Picture frame = drawScene(item.width, item.height,
                                        {.label = number(item), .seed = seed + static_cast<std::uint32_t>(i),
                                         .ballStep = i, .ballSteps = item.frames - 1});
        Bytes jpeg;
        if (!encodeMotionFrame(frame, 90, jpeg, error)) return false;
        if (i == 0) insertMovieExif(item, jpeg);
        movie.frames.push_back(std::move(jpeg));
    }
    if (item.sound) {
        // A 500 Hz triangle tone at 8 kHz: 16 samples per period.
        movie.audioRate = 8000;
        movie.audio.resize(static_cast<std::size_t>(movie.audioRate) * item.frames / movie.framesPerSecond);
        for (std::size_t i = 0; i < movie.audio.size(); ++i) {
            const int phase = static_cast<int>(i % 16);
            movie.audio[i] = static_cast<std::uint8_t>(128 + 12 * (phase < 8 ? phase - 4 : 12 - phase));
        }
    }
    out = buildAvi(movie);
    details = "Motion-JPEG AVI, " + std::to_string(item.frames) + " frames" + (item.sound ? ", 8 kHz sound" : "") +
              ", dated by file time";
    return true;
}

bool writeFile(const std::filesystem::path& path, const Bytes& bytes, std::int64_t fileTime, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        error = "cannot create " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            error = "cannot write " + path.string();
            return false;
        }
    }
    const auto time = std::chrono::sys_seconds{std::chrono::seconds{fileTime}};
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(time), ec);
    if (ec) {
        error = "cannot set the file time of " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

std::int64_t localFileTime(const std::string& dateTime) {
    std::tm tm{};
    char tail = 0;
    if (std::sscanf(dateTime.c_str(), "%4d:%2d:%2d %2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                    &tm.tm_min, &tm.tm_sec, &tail) != 6)
        return -1;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

bool makeSampleCard(const std::filesystem::path& outDir, const CardOptions& options, std::vector<CardFile>& written,
                    std::string& error) {
    try {
        written.clear();
        std::error_code ec;
        for (const char* top : {"DCIM", "KDCAM"}) {
            std::filesystem::remove_all(outDir / top, ec);
            if (ec) {
                error = "cannot clear " + (outDir / top).string() + ": " + ec.message();
                return false;
            }
        }
        std::uint32_t seed = 0;
        for (const Item& item : kCard) {
            ++seed;  // fixed per entry, so --large does not change the other files
            if (item.large && !options.large) continue;
            Bytes bytes;
            CardFile file{.path = item.path, .width = item.width, .height = item.height};
            bool ok = true;
            switch (item.kind) {
                case Kind::Exif:
                case Kind::Kdci:
                case Kind::Plain: ok = makePicture(item, seed, bytes, file.details, error); break;
                case Kind::Movie: ok = makeMovie(item, seed * 100, bytes, file.details, error); break;
                case Kind::Text:
                    bytes.assign(item.text, item.text + std::char_traits<char>::length(item.text));
                    file.details = "text";
                    break;
            }
            if (!ok) {
                error = std::string(item.path) + ": " + error;
                return false;
            }
            if (item.date) file.date = item.date;
            if (!writeFile(outDir / item.path, bytes, localFileTime(item.date ? item.date : kUndatedFileTime), error))
                return false;
            file.size = bytes.size();
            written.push_back(std::move(file));
        }
        return true;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

}  // namespace lumbrel::samplecard
