#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "media/standard_tables.h"
#include "plugin/image_info.h"
#include "sample_card.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using lumbrel::samplecard::CardFile;
using lumbrel::samplecard::makeSampleCard;
using lumbrel::test::readBytes;
using lumbrel::test::TempDir;

std::size_t findText(const Bytes& b, std::string_view s, std::size_t from = 0) {
    const auto it = std::search(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(), s.begin(), s.end(),
                                [](std::uint8_t x, char y) { return x == static_cast<std::uint8_t>(y); });
    return it == b.end() ? std::string::npos : static_cast<std::size_t>(it - b.begin());
}

std::string text(const Bytes& b, std::size_t at, std::size_t n) {
    return at + n <= b.size() ? std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n)) : "";
}

unsigned be16(const Bytes& b, std::size_t p) { return b.at(p) << 8 | b.at(p + 1); }
std::uint32_t le32(const Bytes& b, std::size_t p) {
    return b.at(p) | b.at(p + 1) << 8 | b.at(p + 2) << 16 | static_cast<std::uint32_t>(b.at(p + 3)) << 24;
}

std::int64_t mtime(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

// Decodes with TurboJPEG; returns width, height and sampling, or -1s.
struct Decoded {
    int width = -1, height = -1, subsampling = -1;
};
Decoded decode(const Bytes& jpeg) {
    Decoded d;
    tjhandle tj = tjInitDecompress();
    int colorspace = 0;
    if (tjDecompressHeader3(tj, jpeg.data(), jpeg.size(), &d.width, &d.height, &d.subsampling, &colorspace) == 0) {
        std::vector<unsigned char> rgb(static_cast<std::size_t>(d.width) * d.height * 3);
        if (tjDecompress2(tj, jpeg.data(), jpeg.size(), rgb.data(), d.width, 0, d.height, TJPF_RGB, 0) != 0)
            d = {};
    } else {
        d = {};
    }
    tjDestroy(tj);
    return d;
}

class SampleCard : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        std::string error;
        ok_ = makeSampleCard(dir_->path(), {}, files_, error);
        EXPECT_TRUE(ok_) << error;
    }
    static void TearDownTestSuite() { dir_.reset(); }
    void SetUp() override { ASSERT_TRUE(ok_); }

    static Bytes file(const std::string& relative) { return readBytes(*dir_ / relative); }
    static const CardFile& entry(const std::string& relative) {
        static const CardFile none;
        for (const CardFile& f : files_)
            if (f.path == relative) return f;
        ADD_FAILURE() << relative << " not written";
        return none;
    }

    static inline std::unique_ptr<TempDir> dir_;
    static inline std::vector<CardFile> files_;
    static inline bool ok_ = false;
};

std::vector<std::string> listFiles(const std::string& root) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), root).generic_string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(SampleCard, WritesTheCardLayoutAndReportsEveryFile) {
    std::vector<std::string> expected = {"DCIM/101ORRIN/ABCD0000.JPG", "DCIM/101ORRIN/ABCD0102.Jpg",
                                         "DCIM/101ORRIN/ABCD0103.JPG", "DCIM/101ORRIN/NOTES.TXT",
                                         "DCIM/101ORRIN/abcd0101.jpg", "DCIM/MISC/ABCD0201.JPG",
                                         "KDCAM/KDCAM.KDS",            "KDCAM/PHOTO/KDC_0001.JPG",
                                         "KDCAM/PHOTO/KDC_0002.JPG",   "DCIM/100ORRIN/ABCD0011.AVI",
                                         "DCIM/100ORRIN/ABCD0012.AVI"};
    for (int n = 1; n <= 10; ++n) {
        char name[40];
        std::snprintf(name, sizeof name, "DCIM/100ORRIN/ABCD%04d.JPG", n);
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listFiles(dir_->path()), expected);

    ASSERT_EQ(files_.size(), expected.size());
    for (const CardFile& f : files_) EXPECT_EQ(f.size, std::filesystem::file_size(*dir_ / f.path)) << f.path;
}

TEST_F(SampleCard, AnotherRunRewritesTheSameBytesAndFileTimes) {
    TempDir other;
    lumbrel::test::writeText(other / "DCIM/100ORRIN/ABCD0099.JPG", "left over");
    lumbrel::test::writeText(other / "KEEP.TXT", "not the card's");
    std::vector<CardFile> again;
    std::string error;
    ASSERT_TRUE(makeSampleCard(other.path(), {}, again, error)) << error;

    std::vector<std::string> names = listFiles(other.path());
    names.erase(std::remove(names.begin(), names.end(), "KEEP.TXT"), names.end());
    ASSERT_EQ(names, listFiles(dir_->path()));
    for (const std::string& name : names) {
        EXPECT_EQ(readBytes(other / name), file(name)) << name;
        EXPECT_EQ(mtime(other / name), mtime(*dir_ / name)) << name;
    }

    std::tm taken{};  // 2001-06-16 09:12:03 local time
    taken.tm_year = 101, taken.tm_mon = 5, taken.tm_mday = 16, taken.tm_hour = 9, taken.tm_min = 12, taken.tm_sec = 3;
    taken.tm_isdst = -1;
    EXPECT_EQ(mtime(*dir_ / "DCIM/100ORRIN/ABCD0001.JPG"), std::mktime(&taken));
}

TEST_F(SampleCard, EveryPictureIsA420BaselineJpegOfItsSize) {
    int pictures = 0;
    for (const CardFile& f : files_) {
        if (f.width == 0 || f.path.ends_with(".AVI")) continue;
        ++pictures;
        const Bytes bytes = file(f.path);
        const Decoded d = decode(bytes);
        EXPECT_EQ(d.width, f.width) << f.path;
        EXPECT_EQ(d.height, f.height) << f.path;
        EXPECT_EQ(d.subsampling, TJSAMP_420) << f.path;
        EXPECT_NE(findText(bytes, "\xFF\xC0"), std::string::npos) << f.path << ": no SOF0";
        if (!f.date.empty()) {
            EXPECT_EQ(be16(bytes, 2), 0xFFE1u) << f.path << ": camera block not first";
        }
    }
    EXPECT_EQ(pictures, 17);
}

// An independent walk of the Exif TIFF structure: IFD0, the Exif IFD through
// tag 0x8769, and IFD1 through IFD0's next-IFD offset.
struct ExifFacts {
    char order = 0;
    int orientation = -1;
    std::string date;
    std::size_t thumbnailAt = 0, thumbnailLength = 0;
};

ExifFacts walkExif(const Bytes& f) {
    ExifFacts facts;
    const std::size_t t = 12;  // FF D8, FF E1, length, "Exif\0\0"
    if (text(f, 6, 6) != std::string("Exif\0\0", 6)) return facts;
    const bool big = f.at(t) == 'M';
    const auto u16 = [&](std::size_t p) -> std::uint32_t { return big ? f.at(p) << 8 | f.at(p + 1) : f.at(p + 1) << 8 | f.at(p); };
    const auto u32 = [&](std::size_t p) { return big ? u16(p) << 16 | u16(p + 2) : u16(p + 2) << 16 | u16(p); };
    if (u16(t + 2) != 42) return facts;
    facts.order = static_cast<char>(f.at(t));

    const auto walk = [&](std::uint32_t ifd, auto&& visit) {
        const std::uint32_t n = u16(t + ifd);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::size_t e = t + ifd + 2 + 12 * i;
            visit(u16(e), u32(e + 4), e + 8);
        }
        return u32(t + ifd + 2 + 12 * n);
    };
    std::uint32_t exifIfd = 0;
    const std::uint32_t ifd1 = walk(u32(t + 4), [&](std::uint32_t tag, std::uint32_t, std::size_t value) {
        if (tag == 0x0112) facts.orientation = static_cast<int>(u16(value));
        if (tag == 0x8769) exifIfd = u32(value);
    });
    if (exifIfd)
        walk(exifIfd, [&](std::uint32_t tag, std::uint32_t count, std::size_t value) {
            if (tag == 0x9003 && count > 0) facts.date = text(f, t + u32(value), count - 1);
        });
    if (ifd1)
        walk(ifd1, [&](std::uint32_t tag, std::uint32_t, std::size_t value) {
            if (tag == 0x0201) facts.thumbnailAt = t + u32(value);
            if (tag == 0x0202) facts.thumbnailLength = u32(value);
        });
    return facts;
}

TEST_F(SampleCard, ExifBlocksCarryDateOrientationAndThumbnailInBothByteOrders) {
    struct Expect {
        const char* path;
        char order;
        int orientation;
        bool thumbnail;
    };
    for (const Expect& x : {Expect{"DCIM/100ORRIN/ABCD0001.JPG", 'I', 1, true}, Expect{"DCIM/100ORRIN/ABCD0002.JPG", 'M', 6, true},
                            Expect{"DCIM/100ORRIN/ABCD0003.JPG", 'I', 8, false}, Expect{"DCIM/100ORRIN/ABCD0004.JPG", 'M', 3, false},
                            Expect{"DCIM/100ORRIN/ABCD0008.JPG", 'M', 1, false}}) {
        SCOPED_TRACE(x.path);
        const Bytes f = file(x.path);
        const ExifFacts facts = walkExif(f);
        EXPECT_EQ(facts.order, x.order);
        EXPECT_EQ(facts.orientation, x.orientation);
        EXPECT_EQ(facts.date, entry(x.path).date);
        if (!x.thumbnail) {
            EXPECT_EQ(facts.thumbnailLength, 0u);
            continue;
        }
        // The thumbnail lies inside the APP1 segment and is a JPEG of its own.
        const std::size_t segmentEnd = 4 + be16(f, 4);
        ASSERT_GT(facts.thumbnailLength, 4u);
        ASSERT_LE(facts.thumbnailAt + facts.thumbnailLength, segmentEnd);
        const Bytes thumbnail(f.begin() + static_cast<std::ptrdiff_t>(facts.thumbnailAt),
                              f.begin() + static_cast<std::ptrdiff_t>(facts.thumbnailAt + facts.thumbnailLength));
        EXPECT_EQ(decode(thumbnail).width, 160);
    }
    EXPECT_EQ(entry("DCIM/100ORRIN/ABCD0008.JPG").date, "1999:12:31 23:59:50");
}

TEST_F(SampleCard, KdciBlocksFollowTheMakerLayout) {
    for (const auto& [path, code] : {std::pair{"KDCAM/PHOTO/KDC_0001.JPG", 0}, std::pair{"KDCAM/PHOTO/KDC_0002.JPG", 3}}) {
        SCOPED_TRACE(path);
        const Bytes f = file(path);
        const std::size_t b = 2;  // block offsets count from the FF of FF E1
        ASSERT_EQ(be16(f, b), 0xFFE1u);
        ASSERT_EQ(text(f, b + 4, 10), std::string("KDCI\0\0\0\0\0\0", 10));
        const unsigned count = be16(f, b + 14);
        std::size_t data = b + 16 + 16 * count;
        std::string date, model;
        int orientation = -1;
        for (unsigned i = 0; i < count; ++i) {
            const std::size_t e = b + 16 + 16 * i;
            const unsigned tag = be16(f, e), size = be16(f, e + 2);
            if (tag == 1)
                for (std::size_t p = data; p < data + size; p = findText(f, std::string_view("\0", 1), p) + 1) {
                    if (f.at(p) == 0x03) date = text(f, p + 1, 19);
                    if (f.at(p) == 0x06) model = text(f, p + 1, 6);
                }
            if (tag == 16) {
                EXPECT_EQ(size, 32u);  // the settings record is whole
                orientation = f.at(data + 1) >> 4;
            }
            data += size;
        }
        EXPECT_EQ(data, b + 2 + be16(f, b + 2));  // the areas fill the segment exactly
        EXPECT_EQ(date, entry(path).date);
        EXPECT_EQ(model, "KD-110");
        EXPECT_EQ(orientation, code);
    }
}

// The data page of the card's pictures, read by the album's own reader: the
// camera blocks carry the maker's layouts, so every line has a real value.
TEST_F(SampleCard, DataPagesShowWhatTheCameraRecorded) {
    const auto lines = [&](const char* path) {
        std::map<std::string, std::string> byLabel;
        for (const std::string& line : lumbrel::plugin::dataLines(lumbrel::plugin::readImageInfo(*dir_ / path))) {
            const std::size_t colon = line.find(" : ");
            byLabel[line.substr(1, colon - 1)] = line.substr(colon + 3);
        }
        return byLabel;
    };
    // Picture 1, in daylight; Intel byte order with a thumbnail in the Exif segment.
    auto day = lines("DCIM/100ORRIN/ABCD0001.JPG");
    EXPECT_EQ(day["Resolution"], "640 x 480 pixels");
    EXPECT_EQ(day["Quality"], "Fine");
    EXPECT_EQ(day["Drive mode"], "Single shutter");
    EXPECT_EQ(day["Recording mode"], "Full Auto");
    EXPECT_EQ(day["AE"], "Programmed AE");
    EXPECT_EQ(day["Light metering"], "Matrix");
    EXPECT_EQ(day["Shutter speed"], "1/250second");
    EXPECT_EQ(day["Aperture stop"], "F5.6");
    EXPECT_EQ(day["Exposure comp."], "0.0EV");
    EXPECT_EQ(day["Focusing mode"], "Auto Focus");
    EXPECT_EQ(day["Flash mode"], "Auto(not flashed)");
    EXPECT_EQ(day["White balance"], "Day Light");
    EXPECT_EQ(day["Sensitivity"], "ISO 100 equivalent");
    EXPECT_EQ(day["Digital zoom"], "x1.0");
    EXPECT_EQ(day["Date"], "Saturday, June 16, 2001 09:12:03");
    EXPECT_EQ(day["Model name"], "KD-310");
    // Picture 8 (a flash shot, Motorola order) and 3 (zoomed, centre metering).
    auto flash = lines("DCIM/100ORRIN/ABCD0008.JPG");
    EXPECT_EQ(flash["Flash mode"], "On(flashed)");
    EXPECT_EQ(flash["Recording mode"], "Programmed AE");
    EXPECT_EQ(flash["Sensitivity"], "ISO 200 equivalent");
    EXPECT_EQ(flash["Shutter speed"], "1/60second");
    EXPECT_EQ(flash["Model name"], "KD-220");
    auto zoomed = lines("DCIM/100ORRIN/ABCD0003.JPG");
    EXPECT_EQ(zoomed["Digital zoom"], "x2.0");
    EXPECT_EQ(zoomed["Quality"], "Normal");
    EXPECT_EQ(zoomed["Light metering"], "Center");
    EXPECT_EQ(zoomed["Resolution"], "1024 x 768 pixels");
    // The maker's older segment: picture 2 at a small aperture, a third under.
    auto kdci = lines("KDCAM/PHOTO/KDC_0002.JPG");
    EXPECT_EQ(kdci["Model name"], "KD-110");
    EXPECT_EQ(kdci["Date"], "Sunday, June 17, 2001 13:30:20");
    EXPECT_EQ(kdci["AE"], "Aperture priority AE");
    EXPECT_EQ(kdci["Shutter speed"], "1/125second");
    EXPECT_EQ(kdci["Aperture stop"], "F8.0");
    EXPECT_EQ(kdci["Exposure comp."], "-0.3EV");
    EXPECT_EQ(kdci["Quality"], "Fine");
    EXPECT_EQ(kdci["Digital zoom"], "x1.0");
    // A movie's first frame names the shot a movie.
    auto movie = lines("DCIM/100ORRIN/ABCD0011.AVI");
    EXPECT_EQ(movie["Drive mode"], "Movie");
    EXPECT_EQ(movie["Quality"], "-");
    EXPECT_EQ(movie["Resolution"], "320 x 240 pixels");
    EXPECT_EQ(lumbrel::plugin::sceneIcon(lumbrel::plugin::readImageInfo(*dir_ / "DCIM/100ORRIN/ABCD0012.AVI")), "MOVIE");
    // Lines without a value: settings these shots do not use, and what the
    // older segment does not record (the exposure mode, the sensitivity).
    const std::set<std::string> unused = {"Multiple exposure", "Filter", "Enhancement", "Flash Intensity"};
    for (const auto& [label, value] : lines("DCIM/100ORRIN/ABCD0001.JPG"))
        if (!unused.contains(label)) {
            EXPECT_NE(value, "-") << label;
        }
    for (const auto& [label, value] : lines("KDCAM/PHOTO/KDC_0002.JPG"))
        if (!unused.contains(label) && label != "Recording mode" && label != "Sensitivity") {
            EXPECT_NE(value, "-") << label;
        }
}

TEST_F(SampleCard, MoviesAreMotionJpegAvisWhoseFramesLackHuffmanTables) {
    const auto dht = lumbrel::media::standardDhtSegment();
    for (const auto& [path, width, height] : {std::tuple{"DCIM/100ORRIN/ABCD0011.AVI", 320, 240},
                                              std::tuple{"DCIM/100ORRIN/ABCD0012.AVI", 640, 480}}) {
        SCOPED_TRACE(path);
        const Bytes f = file(path);
        ASSERT_EQ(text(f, 0, 4), "RIFF");
        EXPECT_EQ(le32(f, 4) + 8, f.size());
        EXPECT_EQ(text(f, 8, 8), "AVI LIST");
        const std::size_t strf = findText(f, "strf", 16);
        ASSERT_NE(strf, std::string::npos);
        EXPECT_EQ(text(f, strf + 24, 4), "MJPG");

        // The first chunk of 'movi' is the first frame; idx1 points at it.
        const std::size_t movi = findText(f, "movi", strf);
        ASSERT_NE(movi, std::string::npos);
        ASSERT_EQ(text(f, movi + 4, 4), "00dc");
        const std::size_t idx1 = findText(f, "idx1", movi);
        ASSERT_NE(idx1, std::string::npos);
        EXPECT_EQ(text(f, idx1 + 8, 4), "00dc");
        EXPECT_EQ(le32(f, idx1 + 16), 4u);

        const Bytes frame(f.begin() + static_cast<std::ptrdiff_t>(movi + 12),
                          f.begin() + static_cast<std::ptrdiff_t>(movi + 12 + le32(f, movi + 8)));
        EXPECT_EQ(text(frame, 0, 11), std::string("\xFF\xD8\xFF\xE0\x00\x10" "AVI1\0", 11));
        EXPECT_EQ(findText(frame, "\xFF\xC4"), std::string::npos);
        EXPECT_EQ(text(frame, frame.size() - 2, 2), "\xFF\xD9");

        Bytes complete(frame.begin(), frame.begin() + 20);
        complete.insert(complete.end(), dht.begin(), dht.end());
        complete.insert(complete.end(), frame.begin() + 20, frame.end());
        const Decoded d = decode(complete);
        EXPECT_EQ(d.width, width);
        EXPECT_EQ(d.height, height);
        EXPECT_EQ(d.subsampling, TJSAMP_420);
    }
}

}  // namespace
