#include <algorithm>
#include "camera/picture_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "camera/loader_fixture.h"
#include "media/imaging.h"
#include "media/jpeg_orientation.h"

namespace lumbrel::camera {
namespace {

using lumbrel::test::TempDir;

std::pair<int, int> sizeOf(const std::string& path) {
    const auto size = media::jpegSize(lumbrel::test::readBytes(path));
    return size.value_or(std::pair{0, 0});
}

TEST(PictureQueue, TurnsThenPreviewsEachPictureAndReportsThePreviews) {
    TempDir dir;
    // 80x48, to be turned a quarter clockwise (Exif orientation 6); 64x48 as it is; no picture at all.
    lumbrel::test::writeBytes(dir / "keep.JPG", test::picture("2024:03:05 10:00:00", 0));
    lumbrel::test::writeText(dir / "bad.JPG", "not a picture");
    for (unsigned workers : {0u, 2u}) {  // 0: the machine's count
        lumbrel::test::writeBytes(dir / "turn.JPG", test::picture("2024:03:05 10:00:00", 1, 6));
        PictureQueue queue(workers);
        queue.submit(dir / "turn.JPG", media::readOrientationFile(dir / "turn.JPG"), dir / "turn-p.JPG", "A", 3);
        queue.submit(dir / "keep.JPG", 0, dir / "keep-p.JPG", "B", 2);
        queue.submit(dir / "bad.JPG", 0, dir / "bad-p.JPG", "B", 1);
        const auto made = queue.finish();
        ASSERT_EQ(made.size(), 3u);
        const auto failed = std::count_if(made.begin(), made.end(), [](const auto& m) { return !m.made; });
        EXPECT_EQ(failed, 1);
        for (const auto& m : made)
            if (!m.made) {
                EXPECT_EQ(m.picture, dir / "bad.JPG");  // named, for the load's report
            }
        EXPECT_EQ(sizeOf(dir / "turn.JPG"), (std::pair{48, 80}));
        EXPECT_EQ(media::readOrientationFile(dir / "turn.JPG"), 0);  // says upright now
        EXPECT_EQ(sizeOf(dir / "turn-p.JPG"), (std::pair{48, 80}));  // made from the turned picture
        EXPECT_FALSE(platform::exists(dir / "bad-p.JPG"));
        EXPECT_TRUE(queue.finish().empty());  // reported once
    }
}

TEST(PictureQueue, AbandonDropsWhatHasNotBegun) {
    TempDir dir;
    lumbrel::test::writeBytes(dir / "p.JPG", test::picture("2024:03:05 10:00:00"));
    PictureQueue queue(1);
    for (int i = 0; i < 200; ++i) queue.submit(dir / "p.JPG", 0, dir / ("p" + std::to_string(i) + ".JPG"), "A", 1);
    queue.abandon();
    EXPECT_FALSE(platform::exists(dir / "p199.JPG"));
    EXPECT_TRUE(queue.finish().empty());
}

}  // namespace
}  // namespace lumbrel::camera
