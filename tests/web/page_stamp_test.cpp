#include "web/page_stamp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::web {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

// 20 x 'A', the unstamped field "0  ", then 'B'. With the field as spaces:
// XOR = 0x20 ^ 0x42 = 0x62 (the twenty 'A' cancel out);
// sum = 20 * 0x41 + 3 * 0x20 + 0x42 = 1462 = 0xB6 (mod 256).
std::vector<std::uint8_t> unstamped() {
    std::vector<std::uint8_t> page(20, 'A');
    page.insert(page.end(), {'0', ' ', ' ', 'B'});
    return page;
}

std::vector<std::uint8_t> stamped() {
    std::vector<std::uint8_t> page(20, 'A');
    page.insert(page.end(), {0x31, 0x62, 0xB6, 'B'});
    return page;
}

TEST(PageStamp, StampOfKnownText) {
    std::vector<std::uint8_t> page = unstamped();
    ASSERT_TRUE(applyStamp(page));
    EXPECT_EQ(page, stamped());
    EXPECT_TRUE(isStampIntact(stamped()));
}

TEST(PageStamp, UnstampedChangedOrShortPagesFail) {
    EXPECT_FALSE(isStampIntact(unstamped()));
    std::vector<std::uint8_t> edited = stamped();
    edited[0] = 'C';
    EXPECT_FALSE(isStampIntact(edited));
    std::vector<std::uint8_t> shortPage(22, ' ');
    EXPECT_FALSE(computeStamp(shortPage).has_value());
    EXPECT_FALSE(applyStamp(shortPage));
    EXPECT_FALSE(isStampIntact(shortPage));
}

TEST(PageStamp, StampsReadOnlyFileInPlace) {
    TempDir dir;
    const std::string path = dir / "page.htm";
    writeBytes(path, unstamped());
    ASSERT_TRUE(platform::setReadOnly(path, true));
    EXPECT_EQ(checkFileStamp(path), StampCheck::Altered);

    ASSERT_TRUE(stampFile(path));
    EXPECT_EQ(readBytes(path), stamped());
    EXPECT_EQ(platform::isReadOnly(path), std::optional<bool>(true));
    EXPECT_EQ(checkFileStamp(path), StampCheck::Intact);
}

TEST(PageStamp, HandEditedFileFailsAndMissingFileIsUnreadable) {
    TempDir dir;
    const std::string path = dir / "page.htm";
    std::vector<std::uint8_t> edited = stamped();
    edited.back() = 'b';
    writeBytes(path, edited);
    EXPECT_EQ(checkFileStamp(path), StampCheck::Altered);
    EXPECT_EQ(checkFileStamp(dir / "missing.htm"), StampCheck::Unreadable);
    EXPECT_FALSE(stampFile(dir / "missing.htm"));
}

}  // namespace
}  // namespace lumbrel::web
