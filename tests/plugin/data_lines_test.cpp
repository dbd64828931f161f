// Data page lines, scene icons and the locale's date forms (in the C locale).

#include "plugin/image_info.h"
#include "plugin/locale_date.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace lumbrel::plugin {
namespace {

class DataLines : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("LC_ALL", "C", 1); }

    // The value of the line with the given label.
    static std::string value(const ImageInfo& info, std::string_view label) {
        for (const std::string& line : dataLines(info))
            if (line.starts_with(" " + std::string(label) + " : ")) return line.substr(label.size() + 4);
        return "(no line)";
    }

    static ImageInfo makers() {
        ImageInfo info;
        info.makerData = true;
        return info;
    }
};

TEST_F(DataLines, UnknownItemPrintsDashes) {
    const std::vector<std::string> expected = {
        " File size : -",      " Resolution : -",     " Quality : -",        " Drive mode : -",
        " Recording mode : -", " AE : -",             " Light metering : -", " Shutter speed : -",
        " Aperture stop : -",  " Exposure comp. : -", " Focusing mode : -",  " Flash mode : -",
        " Sharpness : -",      " Saturation : -",     " Contrast : -",       " Multiple exposure : -",
        " White balance : -",  " Sensitivity : -",    " Filter : -",         " Enhancement : -",
        " Flash Intensity : -", " Digital zoom : -",  " Date : -",           " Model name : -"};
    EXPECT_EQ(dataLines(ImageInfo{}), expected);
}

TEST_F(DataLines, CameraItem) {
    ImageInfo info = makers();
    info.fileSizeKB = 873;
    info.sizeFound = true;
    info.width = 1600, info.height = 1200;
    info.model = "QV-Lumen 2";
    info.dateTime = "20010203102030";
    info.exposureProgram = 2, info.meteringMode = 5, info.flash = 0x19;
    info.shutterNum = 1, info.shutterDen = 60, info.apertureNum = 28, info.apertureDen = 10;
    info.biasNum = -2, info.biasDen = 3;
    MakerSettings& m = info.maker;
    m.recordingMode = 17, m.quality = 3, m.focusMode = 3, m.flashMode = 5, m.whiteBalance = 129;
    m.digitalZoom = 0x00030002, m.sharpness = 17, m.contrast = 2, m.saturation = 18, m.iso = 100;
    m.filter = 3, m.enhancement = 5, m.flashIntensity = 2, m.exposureMode = 6, m.sceneNumber = 5;
    const std::vector<std::string> expected = {
        " File size : 873 KB", " Resolution : 1600 x 1200 pixels", " Quality : Fine", " Drive mode : Scene select",
        " Recording mode : Best Shot(Scene005)", " AE : Programmed AE", " Light metering : Matrix",
        " Shutter speed : 1/60second", " Aperture stop : F2.8", " Exposure comp. : -0.7EV",
        " Focusing mode : Auto Focus", " Flash mode : Red-Eye(flashed)", " Sharpness : +1", " Saturation : -1",
        " Contrast : High", " Multiple exposure : -", " White balance : Manual", " Sensitivity : ISO 100 equivalent",
        " Filter : Sepia", " Enhancement : Skin", " Flash Intensity : Low", " Digital zoom : x1.5",
        " Date : Saturday, February 3, 2001 10:20:30", " Model name : QV-Lumen 2"};
    EXPECT_EQ(dataLines(info), expected);
}

TEST_F(DataLines, FileSizes) {
    const auto size = [](std::uint32_t kb) {
        ImageInfo info;
        info.fileSizeKB = kb;
        return value(info, "File size");
    };
    EXPECT_EQ(size(999), "999 KB");
    EXPECT_EQ(size(1023), "1,023 KB");
    EXPECT_EQ(size(1536), "1.5 MB");
    EXPECT_EQ(size(1024 + 949), "1.9 MB");
    EXPECT_EQ(size(1024 + 950), "2.0 MB");  // the carry into the whole part
    EXPECT_EQ(size(2047), "2.0 MB");
    EXPECT_EQ(size(12 * 1024 + 100), "12.1 MB");
}

TEST_F(DataLines, ExposureForms) {
    ImageInfo info;
    const auto shutter = [&](std::uint32_t num, std::uint32_t den) {
        info.shutterNum = num, info.shutterDen = den;
        return value(info, "Shutter speed");
    };
    EXPECT_EQ(shutter(10, 1250), "1/125second");
    EXPECT_EQ(shutter(100, 9051), "1/90second");
    EXPECT_EQ(shutter(2, 1), "2seconds");
    EXPECT_EQ(shutter(283, 100), "2.8seconds");
    const auto aperture = [&](std::uint32_t num, std::uint32_t den) {
        info.apertureNum = num, info.apertureDen = den;
        return value(info, "Aperture stop");
    };
    EXPECT_EQ(aperture(56, 10), "F5.6");
    EXPECT_EQ(aperture(4, 1), "F4.0");
    EXPECT_EQ(aperture(245, 100), "F2.45");
    const auto bias = [&](std::int32_t num, std::int32_t den) {
        info.biasNum = num, info.biasDen = den;
        return value(info, "Exposure comp.");
    };
    EXPECT_EQ(bias(0, 1), "0.0EV");
    EXPECT_EQ(bias(1, 3), "+0.3EV");
    EXPECT_EQ(bias(-100, 100), "-1.0EV");
}

TEST_F(DataLines, MakerValueRules) {
    ImageInfo info = makers();
    MakerSettings& m = info.maker;
    m.flashMode = 4;
    EXPECT_EQ(value(info, "Flash mode"), "Off(not flashed)");
    m.flashIntensity = 3;
    EXPECT_EQ(value(info, "Flash Intensity"), "-");  // only when fired
    info.flash = 1;
    EXPECT_EQ(value(info, "Flash Intensity"), "High");
    m.sceneNumber = 257;
    EXPECT_EQ(value(info, "Recording mode"), "-(Scene CF001)");
    m.multipleExposure = 2;
    EXPECT_EQ(value(info, "Multiple exposure"), "-");
    m.recordingMode = 13;
    EXPECT_EQ(value(info, "Multiple exposure"), "Dark");
    m.driveMode = 3;
    EXPECT_EQ(value(info, "Drive mode"), "AEB");  // the drive mode tag wins over the shot kind
    m.sharpness = 5;
    EXPECT_EQ(value(info, "Sharpness"), "");
    m.sharpness = 21, m.filter = 10, m.quality = 3;
    EXPECT_EQ(value(info, "Sharpness"), "-");
    EXPECT_EQ(value(info, "Filter"), "-");
    EXPECT_EQ(value(info, "Quality"), "Fine");
    m.recordingMode = 8;  // a movie
    EXPECT_EQ(value(info, "Quality"), "-");
    m.driveMode = 0;
    EXPECT_EQ(value(info, "Drive mode"), "Movie");
    info.makerData = false;  // only the movie code is shown without maker data
    EXPECT_EQ(value(info, "Drive mode"), "Movie");
    m.recordingMode = 2;
    EXPECT_EQ(value(info, "Drive mode"), "-");
    EXPECT_EQ(value(info, "Flash mode"), "-");
}

TEST_F(DataLines, SceneIcons) {
    ImageInfo info = makers();
    const auto icon = [&](std::uint16_t shot, std::uint16_t drive) {
        info.maker.recordingMode = shot, info.maker.driveMode = drive;
        return std::string(sceneIcon(info));
    };
    EXPECT_EQ(icon(6, 0), "UNKNOWN");
    EXPECT_EQ(icon(13, 0), "OVERLAP");
    EXPECT_EQ(icon(17, 0), "SCENE");
    EXPECT_EQ(icon(18, 0), "UNKNOWN");
    EXPECT_EQ(icon(8, 3), "AEB_CAPT");
    EXPECT_EQ(icon(8, 6), "UNKNOWN");
    info.makerData = false;
    EXPECT_EQ(icon(8, 0), "MOVIE");
    EXPECT_EQ(icon(1, 0), "UNKNOWN");
    EXPECT_EQ(icon(1, 4), "MOVIE");
    EXPECT_EQ(icon(1, 5), "UNKNOWN");
}

TEST_F(DataLines, LocaleDates) {
    EXPECT_EQ(shortDate(2001, 2, 3), "02/03/01");
    EXPECT_EQ(longDate(2001, 2, 3), "Saturday, February 3, 2001");
    EXPECT_EQ(longDate(2000, 2, 30), "");
    ::setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);  // not installed: the C forms
    EXPECT_EQ(longDate(2004, 12, 31), "Friday, December 31, 2004");
}

// The long date in the user's language needs no system locale: ICU brings its
// own data. LC_ALL outweighs LC_TIME, which outweighs LANG.
TEST_F(DataLines, LongDateInTheUsersLanguage) {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_TIME");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(longDate(2001, 6, 16), "Samstag, 16. Juni 2001");
    ::setenv("LC_TIME", "ja_JP.UTF-8", 1);
    EXPECT_EQ(longDate(2001, 6, 16), "2001年6月16日土曜日");
    EXPECT_EQ(longDate(2001, 2, 29), "");
    ::setenv("LC_TIME", "en_US.UTF-8", 1);
    EXPECT_EQ(longDate(2001, 6, 16), "Saturday, June 16, 2001");
    ::setenv("LC_TIME", "fr_FR@euro", 1);
    EXPECT_EQ(longDate(1999, 12, 31), "vendredi 31 décembre 1999");
    ::setenv("LC_TIME", "POSIX", 1);
    EXPECT_EQ(longDate(2001, 6, 16), "Saturday, June 16, 2001");
    ::setenv("LC_ALL", "de_AT.UTF-8", 1);
    EXPECT_EQ(userTimeLocale(), "de_AT");
    EXPECT_EQ(longDate(2001, 1, 16), "Dienstag, 16. Jänner 2001");

    // On the data page the time follows the date.
    ImageInfo info;
    info.dateTime = "20010616093005";
    EXPECT_EQ(value(info, "Date"), "Samstag, 16. Juni 2001 09:30:05");
    ::unsetenv("LANG");
    ::unsetenv("LC_TIME");
    ::setenv("LC_ALL", "C", 1);
}

}  // namespace
}  // namespace lumbrel::plugin
