#include "media/preview.h"

#include "media/avi_frame.h"
#include "media/imaging.h"
#include "platform/files.h"

#include "media/avi_builder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumbrel::media {
namespace {

using test::buildAvi;
using test::readBytes;
using test::testJpeg;
using test::toMotionJpegFrame;
using test::writeBytes;

std::pair<int, int> sizeOf(const std::string& path) {
    const auto image = loadJpegFile(path);
    return image ? std::pair{image->width, image->height} : std::pair{0, 0};
}

TEST(Preview, Size) {
    EXPECT_EQ(previewSize(640, 480), (std::pair{320, 240}));
    EXPECT_EQ(previewSize(480, 640), (std::pair{240, 320}));
    EXPECT_EQ(previewSize(320, 240), (std::pair{320, 240}));
    EXPECT_EQ(previewSize(100, 50), (std::pair{100, 50}));
    EXPECT_EQ(previewSize(2272, 1704), (std::pair{320, 240}));
    EXPECT_EQ(previewSize(1000, 333), (std::pair{320, 106}));  // 333 * 320 / 1000 rounded down
    EXPECT_EQ(previewSize(5000, 3), (std::pair{320, 1}));      // never 0
}

TEST(Preview, PicturesAreScaledOrReencoded) {
    test::TempDir dir;
    struct Case { int width, height, previewWidth, previewHeight; };
    for (const Case& c : {Case{640, 480, 320, 240}, Case{480, 640, 240, 320}, Case{100, 50, 100, 50}}) {
        const auto source = testJpeg(c.width, c.height, 95);
        writeBytes(dir / "P.JPG", source);
        const std::string preview = dir / "preview.jpg";
        ASSERT_TRUE(makePreview(dir / "P.JPG", preview)) << c.width;
        EXPECT_EQ(sizeOf(preview), (std::pair{c.previewWidth, c.previewHeight}));
        EXPECT_NE(readBytes(preview), source);  // quality 75, not a copy
    }
}

TEST(Preview, MovieFrameIsUsedAsExtractedWhenSmall) {
    test::TempDir dir;
    const auto small = buildAvi({toMotionJpegFrame(testJpeg(320, 240))}, {.audio = true});
    writeBytes(dir / "MOV00001.AVI", small);
    ASSERT_TRUE(makePreview(dir / "MOV00001.AVI", dir / "small.jpg"));
    EXPECT_EQ(readBytes(dir / "small.jpg"), *extractFirstFrame(small));

    writeBytes(dir / "big.avi", buildAvi({toMotionJpegFrame(testJpeg(640, 480))}, {.width = 640, .height = 480}));
    ASSERT_TRUE(makePreview(dir / "big.avi", dir / "big.jpg"));
    EXPECT_EQ(sizeOf(dir / "big.jpg"), (std::pair{320, 240}));
}

TEST(Preview, LoadPictureRemovesTheTemporaryFrame) {
    test::TempDir dir;
    const std::string program = dir / "program";
    platform::makeDirectory(program);
    const auto avi = buildAvi({toMotionJpegFrame(testJpeg(160, 120))});
    writeBytes(dir / "M.Avi", avi);

    const auto loaded = loadPicture(dir / "M.Avi", "", program);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->width, 160);
    EXPECT_FALSE(platform::exists(program + "/avi.tmp"));

    ASSERT_TRUE(loadPicture(dir / "M.Avi", dir / "frame.jpg", program));
    EXPECT_EQ(readBytes(dir / "frame.jpg"), *extractFirstFrame(avi));

    // A frame that is extracted but does not decode: no picture and no file left.
    auto broken = toMotionJpegFrame(testJpeg(160, 120));
    std::fill(broken.end() - 200, broken.end() - 2, 0xFF);
    writeBytes(dir / "broken.avi", buildAvi({broken}));
    EXPECT_FALSE(loadPicture(dir / "broken.avi", "", program));
    EXPECT_FALSE(loadPicture(dir / "broken.avi", dir / "broken.jpg", program));
    EXPECT_FALSE(platform::exists(program + "/avi.tmp"));
    EXPECT_FALSE(platform::exists(dir / "broken.jpg"));
}

TEST(Preview, ReadOnlyPreviewIsReplaced) {
    test::TempDir dir;
    writeBytes(dir / "P.JPG", testJpeg(640, 480));
    writeBytes(dir / "preview.jpg", {1, 2, 3});
    ASSERT_TRUE(platform::setReadOnly(dir / "preview.jpg", true));
    ASSERT_TRUE(makePreview(dir / "P.JPG", dir / "preview.jpg"));
    EXPECT_EQ(sizeOf(dir / "preview.jpg"), (std::pair{320, 240}));
}

TEST(Preview, DamagedSourceGivesNoPreview) {
    test::TempDir dir;
    auto jpeg = testJpeg(640, 480);
    writeBytes(dir / "cut.jpg", std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 3));
    std::fill(jpeg.begin() + 2, jpeg.begin() + 400, 0x00);
    writeBytes(dir / "zeroed.jpg", jpeg);
    writeBytes(dir / "empty.avi", {});
    writeBytes(dir / "xvid.avi", buildAvi({toMotionJpegFrame(testJpeg(64, 48))}, {.compression = "XVID"}));
    for (const char* name : {"cut.jpg", "zeroed.jpg", "empty.avi", "xvid.avi", "missing.jpg"}) {
        EXPECT_FALSE(makePreview(dir / name, dir / "preview.jpg")) << name;
        EXPECT_FALSE(platform::exists(dir / "preview.jpg")) << name;
    }
}

}  // namespace
}  // namespace lumbrel::media
