// lumbrel-cli media ...: what a user sees for good and bad input.

#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "media/exif_builder.h"
#include "support/temp_dir.h"

namespace lumbrel::cli {
namespace {

using test::Outcome;

Outcome media(std::vector<std::string> args) {
    args.insert(args.begin(), "media");
    return test::runCli(args);
}

TEST(MediaCommands, DatesOneOrMany) {
    test::TempDir dir;
    test::ExifFields exif;
    exif.dateTimeOriginal = "2001:04:15 10:30:00";
    test::writeBytes(dir / "a.JPG", test::jpegFile({test::exifSegment(exif)}));
    exif.bigEndian = false;
    exif.dateTimeOriginal = "2001:04:16 23:59:59";
    test::writeBytes(dir / "b.JPG", test::jpegFile({test::exifSegment(exif)}));
    test::writeBytes(dir / "none.JPG", test::jpegFile({}));

    Outcome one = media({"date", dir / "a.JPG"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "20010415103000\n");
    Outcome many = media({"date", "--readable", dir / "a.JPG", dir / "none.JPG", dir / "b.JPG"});
    EXPECT_EQ(many.status, 1) << "one file has no date";
    EXPECT_EQ(many.out, "2001:04:15 10:30:00\t" + (dir / "a.JPG") + "\n2001:04:16 23:59:59\t" + (dir / "b.JPG") + "\n");
    Outcome missing = media({"date", dir / "gone.JPG"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("gone.JPG"), std::string::npos);
}

TEST(MediaCommands, RefusesBadInput) {
    test::TempDir dir;
    test::writeText(dir / "x.AVI", "not a movie");
    EXPECT_EQ(media({"rotate", dir / "x.AVI", "5"}).status, 2);
    EXPECT_EQ(media({"rotate", dir / "x.AVI", "1"}).status, 1);
    EXPECT_EQ(test::readBytes(dir / "x.AVI").size(), 11u);
    Outcome frame = media({"avi-frame", dir / "x.AVI", dir / "f.jpg"});
    EXPECT_EQ(frame.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "f.jpg"));
    EXPECT_EQ(media({"orientation", dir / "gone.JPG"}).status, 1);
    EXPECT_EQ(media({"frobnicate"}).status, 2);
}

}  // namespace
}  // namespace lumbrel::cli
