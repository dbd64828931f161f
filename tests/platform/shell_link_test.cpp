#include "platform/shell_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumbrel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;
using test::writeBytes;
using test::writeText;

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putAnsi(Bytes& b, std::string_view s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}
void putUtf16(Bytes& b, std::u16string_view s) {
    for (char16_t c : s) put16(b, c);
    put16(b, 0);
}

// The 76-byte header: HeaderSize, LinkCLSID, LinkFlags, then zeroed times,
// sizes and hot key.
Bytes header(std::uint32_t flags) {
    Bytes b = {0x4C, 0x00, 0x00, 0x00, 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    put32(b, flags);
    b.resize(76, 0);
    return b;
}

// A LinkInfo block: header (0x1C, or 0x24 with Unicode offsets), a small
// VolumeID, then the strings in order.
Bytes linkInfo(std::string_view local, std::string_view suffix, bool unicode = false,
               std::u16string_view localW = u"", std::u16string_view suffixW = u"") {
    const std::uint32_t headerSize = unicode ? 0x24 : 0x1C;
    Bytes b(headerSize, 0);
    set32(b, 4, headerSize);
    set32(b, 8, 1);  // VolumeIDAndLocalBasePath
    set32(b, 0x0C, static_cast<std::uint32_t>(b.size()));
    put32(b, 0x11);  // VolumeID: size, drive type, serial, label offset, empty label
    put32(b, 3);
    put32(b, 0x12345678);
    put32(b, 0x10);
    b.push_back(0);
    set32(b, 0x10, static_cast<std::uint32_t>(b.size()));
    putAnsi(b, local);
    set32(b, 0x18, static_cast<std::uint32_t>(b.size()));
    putAnsi(b, suffix);
    if (unicode) {
        set32(b, 0x1C, static_cast<std::uint32_t>(b.size()));
        putUtf16(b, localW);
        set32(b, 0x20, static_cast<std::uint32_t>(b.size()));
        putUtf16(b, suffixW);
    }
    set32(b, 0, static_cast<std::uint32_t>(b.size()));
    return b;
}

Bytes link(const Bytes& info, bool withIdList = false) {
    Bytes b = header(withIdList ? 0x83 : 0x82);  // HasLinkInfo | IsUnicode (+ HasLinkTargetIDList)
    if (withIdList) {
        put16(b, 6);  // one 4-byte item and the 2-byte terminator
        b.insert(b.end(), {0x04, 0x00, 0x1F, 0x50, 0x00, 0x00});
    }
    b.insert(b.end(), info.begin(), info.end());
    put32(b, 0);  // empty ExtraData terminal block
    return b;
}

std::optional<std::string> target(const Bytes& b) { return shellLinkTarget(b); }

TEST(ShellLink, ReadsAnsiPathFromLiteralBytes) {
    Bytes b = header(0x02);
    const Bytes info = {
        0x24, 0x00, 0x00, 0x00,  // LinkInfoSize
        0x1C, 0x00, 0x00, 0x00,  // LinkInfoHeaderSize
        0x01, 0x00, 0x00, 0x00,  // VolumeIDAndLocalBasePath
        0x00, 0x00, 0x00, 0x00,  // VolumeIDOffset (not read)
        0x1C, 0x00, 0x00, 0x00,  // LocalBasePathOffset
        0x00, 0x00, 0x00, 0x00,  // CommonNetworkRelativeLinkOffset
        0x22, 0x00, 0x00, 0x00,  // CommonPathSuffixOffset
        '\\', 't', 'm', 'p', '\\', 0, 'a', 0,
    };
    b.insert(b.end(), info.begin(), info.end());
    EXPECT_EQ(target(b), "/tmp/a");
}

TEST(ShellLink, ReadsPathsWithAndWithoutIdList) {
    const Bytes info = linkInfo("\\home\\u\\Pictures\\a.JPG", "");
    EXPECT_EQ(target(link(info)), "/home/u/Pictures/a.JPG");
    EXPECT_EQ(target(link(info, true)), "/home/u/Pictures/a.JPG");
    EXPECT_EQ(target(link(linkInfo("C:\\Photos\\", "2024\\b.jpg"))), "C:/Photos/2024/b.jpg");
    EXPECT_EQ(target(link(linkInfo("/srv/x", ""))), "/srv/x");
}

TEST(ShellLink, ConvertsCodePageAndUnicodeForms) {
    // Windows-1252: 0xE9 is é, 0x80 is €.
    EXPECT_EQ(target(link(linkInfo("\\d\\caf\xE9\x80", ""))), "/d/caf\xC3\xA9\xE2\x82\xAC");
    // The Unicode forms win over the code-page ones; a surrogate pair becomes one code point.
    const Bytes info = linkInfo("\\d\\L?d?", "x?", true, u"\\d\\\u0141\u00F3d\u017A\\", u"\U0001F4F7.jpg");
    EXPECT_EQ(target(link(info, true)), "/d/\xC5\x81\xC3\xB3" "d\xC5\xBA/\xF0\x9F\x93\xB7.jpg");
}

TEST(ShellLink, RefusesBadText) {
    EXPECT_EQ(target(link(linkInfo("\\d\\\x81", ""))), std::nullopt);  // undefined in Windows-1252
    EXPECT_EQ(target(link(linkInfo("x", "", true, u"\\a\xD800", u""))), std::nullopt);
    EXPECT_EQ(target(link(linkInfo("x", "", true, u"\\a\xDC00", u""))), std::nullopt);
    EXPECT_EQ(target(link(linkInfo("x", "", true, u"\\a", u"\xD83D"))), std::nullopt);
    EXPECT_EQ(target(link(linkInfo("", ""))), std::nullopt);  // no local path
}

TEST(ShellLink, EveryTruncationIsRefused) {
    const Bytes full = link(linkInfo("\\a\\", "b", true, u"\\a\\", u"\u00E9"), true);
    ASSERT_EQ(target(full), "/a/\xC3\xA9");
    // The terminal ExtraData block is not needed; everything shorter lacks part of LinkInfo.
    for (std::size_t n = 0; n + 4 < full.size(); ++n)
        EXPECT_EQ(shellLinkTarget(std::span(full.data(), n)), std::nullopt) << n;
}

TEST(ShellLink, RefusesWrongHeaderAndMissingParts) {
    const Bytes good = link(linkInfo("\\a", ""), true);
    Bytes b = good;
    b[19] ^= 0x01;  // last CLSID byte
    EXPECT_EQ(target(b), std::nullopt);
    b = good;
    b[0] = 0x4D;
    EXPECT_EQ(target(b), std::nullopt);
    b = good;
    b[20] &= static_cast<std::uint8_t>(~0x02);  // no HasLinkInfo
    EXPECT_EQ(target(b), std::nullopt);
    b = good;
    b[76 + 8 + 8] = 0;  // LinkInfoFlags without VolumeIDAndLocalBasePath
    EXPECT_EQ(target(b), std::nullopt);
}

TEST(ShellLink, RefusesOffsetsAndSizesPointingOutside) {
    const Bytes good = link(linkInfo("\\a", "b"));  // LinkInfo starts at 76
    ASSERT_EQ(target(good), "/ab");
    const std::size_t li = 76;
    auto with = [&](std::size_t at, std::uint32_t v) {
        Bytes b = good;
        set32(b, at, v);
        return target(b);
    };
    EXPECT_EQ(with(li + 0x10, 0xFFFFFFFF), std::nullopt);  // LocalBasePathOffset
    EXPECT_EQ(with(li + 0x10, 4), std::nullopt);           // into the LinkInfo header
    EXPECT_EQ(with(li + 0x18, 0xFFFFFFF0), std::nullopt);  // CommonPathSuffixOffset
    EXPECT_EQ(with(li + 0x00, 0xFFFFFFFF), std::nullopt);  // LinkInfoSize past the buffer
    EXPECT_EQ(with(li + 0x04, 0x20), std::nullopt);        // header size between the two forms
    EXPECT_EQ(with(li + 0x04, 0xFFFFFFFF), std::nullopt);  // header size past LinkInfoSize
    // LinkInfoSize one short: the suffix's terminator falls outside the block.
    const std::uint32_t size = good[li] | (good[li + 1] << 8);
    EXPECT_EQ(with(li, size - 1), std::nullopt);

    Bytes withList = link(linkInfo("\\a", ""), true);
    withList[76] = 0xFF;  // IDListSize past the buffer
    withList[77] = 0xFF;
    EXPECT_EQ(target(withList), std::nullopt);

    Bytes uni = link(linkInfo("\\a", "", true, u"\\a", u""));
    set32(uni, li + 0x1C, 0x7FFFFFFF);  // LocalBasePathOffsetUnicode
    EXPECT_EQ(target(uni), std::nullopt);
}

TEST(ResolveLink, ShellLinkResolvesOnlyToAnExistingLinuxPath) {
    TempDir dir;
    const std::string photo = dir / "a.JPG";
    writeText(photo, "jpeg");
    std::string stored = photo;
    for (char& c : stored)
        if (c == '/') c = '\\';
    writeBytes(dir / "photo.LNK", link(linkInfo(stored, "")));
    writeBytes(dir / "missing.lnk", link(linkInfo(stored + "x", "")));
    writeBytes(dir / "drive.lnk", link(linkInfo("C:\\a.JPG", "")));
    writeText(dir / "junk.lnk", "not a link");
    EXPECT_EQ(resolveLink(dir / "photo.LNK"), photo);
    EXPECT_EQ(resolveLink(dir / "missing.lnk"), std::nullopt);
    EXPECT_EQ(resolveLink(dir / "drive.lnk"), std::nullopt);
    EXPECT_EQ(resolveLink(dir / "junk.lnk"), std::nullopt);
    EXPECT_EQ(resolveLink(dir / "absent.lnk"), std::nullopt);
}

TEST(ResolveLink, FollowsSymbolicLinksAndIgnoresPlainFiles) {
    TempDir dir;
    const std::string photo = dir / "a.jpg";
    writeText(photo, "jpeg");
    ASSERT_EQ(::symlink(photo.c_str(), (dir / "to-photo").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "gone.jpg").c_str(), (dir / "dangling").c_str()), 0);
    char* real = ::realpath(photo.c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    const std::string canonical = real;
    std::free(real);
    EXPECT_EQ(resolveLink(dir / "to-photo"), canonical);
    EXPECT_EQ(resolveLink(dir / "dangling"), std::nullopt);
    EXPECT_EQ(resolveLink(photo), std::nullopt);
    EXPECT_EQ(resolveLink(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace lumbrel::platform
