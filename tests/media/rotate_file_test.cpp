// Turning a picture file upright: the file is replaced only by a complete,
// upright picture, and never touched when the turn cannot be made.

#include "media/rotate_file.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include "jpeg_samples.h"
#include "media/exif_builder.h"
#include "media/imaging.h"
#include "media/jpeg_orientation.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::media {
namespace {

using test::ByteVector;

// A 64x32 4:2:0 camera-like picture whose Exif says "turn a quarter clockwise".
ByteVector cameraPicture() {
    std::vector<unsigned char> rgb(64 * 32 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 13 + i / 191);
    const ByteVector jpeg = compressRgb(rgb, 64, 32, TJSAMP_420, 90);
    test::ExifFields exif;
    exif.orientation = 6;
    exif.pixelX = 64;
    exif.pixelY = 32;
    return test::withSegments(jpeg, {test::exifSegment(exif)});
}

constexpr std::int64_t kTaken = 992'000'000'000'000'000;  // a fixed last-write time in 2001

TEST(RotateFile, ReplacesThePictureByAnUprightOne) {
    test::TempDir dir;
    const std::string path = dir / "ABCD0001.JPG";
    test::writeBytes(path, cameraPicture());
    ASSERT_TRUE(platform::setLastWriteTime(path, kTaken));
    ASSERT_EQ(readOrientationFile(path), 3);

    ASSERT_TRUE(rotateFile(path, 3));
    const auto turned = test::readBytes(path);
    EXPECT_EQ(jpegSize(turned), (std::pair<int, int>{32, 64}));
    EXPECT_EQ(readOrientationFile(path), 0) << "the Exif orientation must say upright now";
    EXPECT_EQ(platform::lastWriteTime(path), kTaken);
    // Nothing but the picture is left in the folder.
    EXPECT_EQ(platform::listDirectory(dir.path())->size(), 1u);
}

TEST(RotateFile, LeavesTheFileAloneWhenItCannotTurnIt) {
    test::TempDir dir;
    ByteVector cut = cameraPicture();
    cut.resize(cut.size() - 1);  // no EOI at the end: perhaps not copied completely
    test::writeBytes(dir / "cut.JPG", cut);
    EXPECT_FALSE(rotateFile(dir / "cut.JPG", 3));
    EXPECT_EQ(test::readBytes(dir / "cut.JPG"), cut);

    const ByteVector original = cameraPicture();
    test::writeBytes(dir / "a.JPG", original);
    EXPECT_FALSE(rotateFile(dir / "a.JPG", 4));
    EXPECT_TRUE(rotateFile(dir / "a.JPG", 0));
    EXPECT_EQ(test::readBytes(dir / "a.JPG"), original);
    EXPECT_FALSE(rotateFile(dir / "missing.JPG", 1));
}

TEST(RotateFile, IntoAnotherFileKeepsTheSource) {
    test::TempDir dir;
    const ByteVector original = cameraPicture();
    test::writeBytes(dir / "a.JPG", original);
    ASSERT_TRUE(rotateFileTo(dir / "a.JPG", dir / "b.JPG", 2));
    EXPECT_EQ(test::readBytes(dir / "a.JPG"), original);
    EXPECT_EQ(jpegSize(test::readBytes(dir / "b.JPG")), (std::pair<int, int>{64, 32}));
}

}  // namespace
}  // namespace lumbrel::media
