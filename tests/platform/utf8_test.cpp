#include "platform/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace lumbrel::platform {
namespace {

TEST(Utf8Compare, FoldsCaseAcrossScripts) {
    EXPECT_TRUE(equalNoCase("DCIM/Img_0001.JPG", "dcim/img_0001.jpg"));
    EXPECT_TRUE(equalNoCase("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"));               // ÉTÉ / été
    EXPECT_TRUE(equalNoCase("\xC5\x81\xC3\x93" "D\xC5\xB9", "\xC5\x82\xC3\xB3" "d\xC5\xBA"));  // ŁÓDŹ / łódź
    EXPECT_TRUE(equalNoCase("\xC5\xB8", "\xC3\xBF"));                                    // Ÿ / ÿ
    EXPECT_TRUE(equalNoCase("\xC4\xBD", "\xC4\xBE"));                                    // Ľ / ľ (odd upper)
    EXPECT_TRUE(equalNoCase("\xCE\xA9\xCE\x91", "\xCF\x89\xCE\xB1"));                    // ΩΑ / ωα
    EXPECT_TRUE(equalNoCase("\xD0\x81\xD0\x96", "\xD1\x91\xD0\xB6"));                    // ЁЖ / ёж

    // Not letter pairs: × and ÷, final sigma position, dotless i, long s.
    EXPECT_FALSE(equalNoCase("\xC3\x97", "\xC3\xB7"));
    EXPECT_FALSE(equalNoCase("\xCE\xA2", "\xCF\x82"));
    EXPECT_FALSE(equalNoCase("\xC4\xB1", "I"));
    EXPECT_FALSE(equalNoCase("\xC5\xBF", "s"));
    // Ľ (U+013D) must not be taken for the even/odd pattern of U+0100-U+0137.
    EXPECT_FALSE(equalNoCase("\xC4\xBD", "\xC4\xBC"));
}

TEST(Utf8Compare, OrdersByFoldedCodePoint) {
    EXPECT_LT(compareNoCase("abc", "ABD"), 0);
    EXPECT_GT(compareNoCase("B", "a"), 0);
    EXPECT_LT(compareNoCase("ab", "AB c"), 0);  // a prefix sorts first
    EXPECT_EQ(compareNoCase("", ""), 0);
    // Folded before comparing: 'Z' is after 'a' although its byte is smaller.
    EXPECT_GT(compareNoCase("Z", "a"), 0);
    EXPECT_LT(compareNoCase("\xC3\x89", "\xC5\x90"), 0);  // é (U+00E9) before ő (U+0151)
    // ASCII 'z' sorts before any multi-byte letter.
    EXPECT_LT(compareNoCase("z", "\xC3\xA0"), 0);
}

TEST(Utf8Compare, InvalidBytesCompareAsThemselves) {
    EXPECT_TRUE(equalNoCase("a\xFF" "B", "A\xFF" "b"));
    EXPECT_FALSE(equalNoCase("\xFF", "\xFE"));
    // A lone lead byte is not the character it would start, nor folded.
    EXPECT_FALSE(equalNoCase("\xC3", "\xC3\x89"));
    // An overlong encoding of 'A' is not 'a'.
    EXPECT_FALSE(equalNoCase("\xC1\x81", "a"));
    // Invalid bytes sort after every real character.
    EXPECT_GT(compareNoCase("\x80", "\xF4\x8F\xBF\xBF"), 0);
    // A truncated sequence followed by ASCII keeps the ASCII as a unit of its own.
    EXPECT_TRUE(equalNoCase("\xE2\x82Q", "\xE2\x82q"));
}

TEST(Utf8Find, FindsIgnoringCaseFromOffset) {
    EXPECT_EQ(findNoCase("/Photos/IMG_01.jpg", "img_"), 8u);
    EXPECT_EQ(findNoCase("abcABC", "abc", 1), 3u);
    EXPECT_EQ(findNoCase("abc", "abcd"), std::string_view::npos);
    EXPECT_EQ(findNoCase("abc", "x", 4), std::string_view::npos);
    EXPECT_EQ(findNoCase("abc", "", 1), 1u);
    EXPECT_EQ(findNoCase("\xC3\x89t\xC3\xA9/\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", 1), 6u);
    // A different byte length after folding: İ (2 bytes) folds to i.
    EXPECT_EQ(findNoCase("x\xC4\xB0y", "IY"), 1u);
}

TEST(Utf8Find, MatchesOnlyWholeCharacters) {
    // "\xA9" is the tail byte of é; it must not be found inside it.
    EXPECT_EQ(findNoCase("caf\xC3\xA9", "\xA9"), std::string_view::npos);
    // Ł is C5 81, Á is C3 81: the same last byte, no match.
    EXPECT_EQ(findNoCase("\xC5\x81", "\xC3\x81"), std::string_view::npos);
    // A start offset inside a character moves on to the next character.
    EXPECT_EQ(findNoCase("\xC3\xA9\xC3\xA9", "\xC3\x89", 1), 2u);
    EXPECT_EQ(findNoCase("\xC3\xA9" "a", "", 1), 2u);
}

TEST(Utf8Find, PrefixAndSuffix) {
    EXPECT_TRUE(startsWithNoCase("/Media/Card", "/media/"));
    EXPECT_TRUE(startsWithNoCase("abc", ""));
    EXPECT_FALSE(startsWithNoCase("ab", "abc"));
    EXPECT_FALSE(startsWithNoCase("\xC3\xA9", "\xC3"));  // half a character is no prefix
    EXPECT_TRUE(endsWithNoCase("IMG.JPG", ".jpg"));
    EXPECT_TRUE(endsWithNoCase("x\xD0\x96", "\xD0\xB6"));
    EXPECT_FALSE(endsWithNoCase("caf\xC3\xA9", "\xA9"));  // tail byte of é only
    EXPECT_FALSE(endsWithNoCase("jpg", "a.jpg"));
}

TEST(Utf8Length, TruncateNeverSplitsACodePoint) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7";  // a é € 📷: 1+2+3+4 bytes
    EXPECT_EQ(truncateUtf8(text, 100), text);
    EXPECT_EQ(truncateUtf8(text, 0), "");
    EXPECT_EQ(truncateUtf8(text, 2), "a");
    EXPECT_EQ(truncateUtf8(text, 3), "a\xC3\xA9");
    EXPECT_EQ(truncateUtf8(text, 5), "a\xC3\xA9");
    EXPECT_EQ(truncateUtf8(text, 9), "a\xC3\xA9\xE2\x82\xAC");
    // Invalid bytes are units of one byte and may be cut after.
    EXPECT_EQ(truncateUtf8("\xFF\xFF\xFF", 2), "\xFF\xFF");

    EXPECT_EQ(codePointCount(text), 4u);
    EXPECT_EQ(codePointCount("\xC3" "a\x80"), 3u);
    EXPECT_EQ(codePointCount(""), 0u);
}

TEST(Utf8Shorten, KeepsHeadAndWholeCharacterTail) {
    EXPECT_EQ(shortenMiddle("/home/a/b", 18, 3, 13), "/home/a/b");
    EXPECT_EQ(shortenMiddle("/home/user/Pictures/Holiday", 18, 3, 13), "/ho...tures/Holiday");
    // The tail grows backwards by whole characters until it reaches 13 bytes:
    // 12 bytes are not enough, so the 2-byte é before them is taken whole.
    const std::string path = "/home/user/Fot\xC3\xA9" "abcdefghijkl";
    EXPECT_EQ(shortenMiddle(path, 18, 3, 13), "/ho...\xC3\xA9" "abcdefghijkl");
    // The head is cut back to a character boundary as well.
    EXPECT_EQ(shortenMiddle("/\xC3\xA9\xC3\xA9/0123456789abcdefgh", 18, 4, 13),
              "/\xC3\xA9...56789abcdefgh");
}

}  // namespace
}  // namespace lumbrel::platform
