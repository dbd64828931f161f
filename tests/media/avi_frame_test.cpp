#include "media/avi_frame.h"
#include "media/imaging.h"
#include "media/standard_tables.h"

#include "media/avi_builder.h"

#include <gtest/gtest.h>

namespace lumbrel::media {
namespace {

using test::buildAvi;
using test::testJpeg;
using test::toMotionJpegFrame;
using Bytes = std::vector<std::uint8_t>;

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + from, bytes.begin() + to);
}

TEST(AviFrame, FirstFrameGetsJfifIdentifierAndTypicalHuffmanTables) {
    const Bytes original = testJpeg(64, 48);
    const Bytes frame = toMotionJpegFrame(original);
    const Bytes avi = buildAvi({frame, toMotionJpegFrame(testJpeg(32, 16))}, {.audio = true});
    const Bytes before = avi;

    const auto out = extractFirstFrame(avi);
    ASSERT_TRUE(out);
    EXPECT_EQ(avi, before);  // the caller's buffer stays as it was

    // SOI, APP0 of 16 bytes with "JFIF\0" in place of "AVI1\0", then the DHT segment.
    const Bytes head = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    EXPECT_EQ(slice(*out, 0, 11), head);
    EXPECT_EQ(slice(*out, 11, 20), slice(frame, 11, 20));  // the rest of the APP0 segment
    EXPECT_EQ(slice(*out, 20, 24), (Bytes{0xFF, 0xC4, 0x01, 0xA2}));
    const auto dht = standardDhtSegment();
    EXPECT_EQ(slice(*out, 20, 440), Bytes(dht.begin(), dht.end()));
    EXPECT_EQ(slice(*out, 440, out->size()), slice(frame, 20, frame.size()));

    // The frame decodes to the picture the camera encoded (the first one, 64 x 48).
    const auto decoded = loadJpeg(*out);
    const auto expected = loadJpeg(original);
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(expected);
    EXPECT_EQ(decoded->width, 64);
    EXPECT_EQ(decoded->rgb, expected->rgb);
}

TEST(AviFrame, LongerAvi1SegmentGetsTheTablesAfterIt) {
    Bytes frame = toMotionJpegFrame(testJpeg(40, 24));
    frame[5] = 0x12;  // APP0 length 18: two more bytes
    frame.insert(frame.begin() + 20, {0x00, 0x00});
    const auto out = extractFirstFrame(buildAvi({frame}));
    ASSERT_TRUE(out);
    EXPECT_EQ(slice(*out, 22, 26), (Bytes{0xFF, 0xC4, 0x01, 0xA2}));
    EXPECT_TRUE(loadJpeg(*out));
}

// Frames written as complete JFIF pictures, with their own Huffman tables, as
// many programs write Motion-JPEG: the frame is taken as it is. One whose
// header has no tables gets the typical ones, as an AVI1 frame does.
TEST(AviFrame, JfifFrameKeepsItsOwnHuffmanTables) {
    const Bytes picture = testJpeg(48, 32);  // libjpeg's: SOI, JFIF APP0, DQT, SOF0, DHT, SOS
    ASSERT_EQ(slice(picture, 6, 11), (Bytes{'J', 'F', 'I', 'F', 0}));
    const auto whole = extractFirstFrame(buildAvi({picture, testJpeg(16, 16)}));
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, picture);

    Bytes bare = toMotionJpegFrame(picture);
    std::copy_n("JFIF", 4, bare.begin() + 6);
    const auto tabled = extractFirstFrame(buildAvi({bare}));
    ASSERT_TRUE(tabled);
    EXPECT_EQ(slice(*tabled, 20, 24), (Bytes{0xFF, 0xC4, 0x01, 0xA2}));
    const auto decoded = loadJpeg(*tabled);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->rgb, loadJpeg(picture)->rgb);

    // Another APP0 (no Motion-JPEG or JFIF frame) is still passed over.
    Bytes other = picture;
    std::copy_n("JFXX", 4, other.begin() + 6);
    EXPECT_FALSE(extractFirstFrame(buildAvi({other})));
}

TEST(AviFrame, RejectsWhatIsNoBaselineMotionJpeg) {
    const Bytes frame = toMotionJpegFrame(testJpeg(64, 48));
    const Bytes avi = buildAvi({frame});
    ASSERT_TRUE(extractFirstFrame(avi));

    EXPECT_FALSE(extractFirstFrame(buildAvi({frame}, {.compression = "XVID"})));
    EXPECT_FALSE(extractFirstFrame(buildAvi({toMotionJpegFrame(testJpeg(64, 48, 90, true))})));  // progressive

    // Cut anywhere before the frame's FF D9: in the headers, in the frame, or just before its end.
    const std::size_t frameAt =
        static_cast<std::size_t>(std::search(avi.begin(), avi.end(), frame.begin(), frame.end()) - avi.begin());
    const std::size_t frameEnd = frameAt + frame.size() - 1;  // without the D9 byte
    for (std::size_t cut : {std::size_t{0}, std::size_t{12}, std::size_t{100}, avi.size() / 2, frameEnd})
        EXPECT_FALSE(extractFirstFrame(slice(avi, 0, cut))) << cut;

    Bytes noRiff = avi;
    noRiff[0] = 'X';
    EXPECT_FALSE(extractFirstFrame(noRiff));
    Bytes noAvi1 = avi;
    noAvi1[frameAt + 10] = '!';  // "AVI1" not followed by a zero byte
    EXPECT_FALSE(extractFirstFrame(noAvi1));
}

}  // namespace
}  // namespace lumbrel::media
