#include "web/library_key_form.h"

#include <gtest/gtest.h>

namespace lumbrel::web {
namespace {

TEST(LibraryKeyForm, FormIsDecidedByLengthAndIndexEight) {
    EXPECT_EQ(keyForm("010415"), KeyForm::Short);
    EXPECT_EQ(keyForm("010415123000"), KeyForm::Short);
    EXPECT_EQ(keyForm("20010415"), KeyForm::Long);
    EXPECT_EQ(keyForm("20010415_123"), KeyForm::Long);  // 12 characters, "_" at index 8
    EXPECT_EQ(keyForm("20010415_1"), KeyForm::Long);
}

TEST(LibraryKeyForm, ShortKeyCenturyTurnsAtNinety) {
    EXPECT_EQ(shortKeyCentury("891231"), "20");
    EXPECT_EQ(shortKeyCentury("900101"), "19");
    EXPECT_EQ(shortKeyCentury("000101"), "20");
    const auto parts = parseLibraryKey("950607");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->year, "1995");
    EXPECT_EQ(parts->monthIndex, 5);
    EXPECT_EQ(parts->day, "07");
}

TEST(LibraryKeyForm, MonthOutsideOneToTwelveFails) {
    EXPECT_FALSE(parseLibraryKey("20010015"));
    EXPECT_FALSE(parseLibraryKey("20011315"));
    EXPECT_FALSE(parseLibraryKey("011315"));
    EXPECT_FALSE(parseLibraryKey("2001x115"));
    EXPECT_FALSE(parseLibraryKey("2001041"));  // too short for a long key
    const auto december = parseLibraryKey("20011231_2");
    ASSERT_TRUE(december);
    EXPECT_EQ(december->monthIndex, 11);
    EXPECT_EQ(december->suffix, "_2");
    EXPECT_EQ(rowDateText("20011315"), "");
}

TEST(LibraryKeyForm, DateTextOfEachForm) {
    EXPECT_EQ(rowDateText("010415"), "2001/04/15");
    EXPECT_EQ(rowDateText("990415123000"), "1999/04/15");
    EXPECT_EQ(rowDateText("20010415"), "2001/04/15");
    EXPECT_EQ(rowDateText("20010415_3"), "2001/04/15_3");
    EXPECT_EQ(rowDateText("20010400"), "2001/04");
    EXPECT_EQ(rowDateText("20010400_2"), "2001/04_2");
}

TEST(LibraryKeyForm, RememberedKeyTakesTheEarliestShortOrPlainKey) {
    EXPECT_EQ(keyWithCentury("990415"), "19990415");
    EXPECT_EQ(keyWithCentury("20010415_1"), "20010415_1");
    EXPECT_TRUE(replacesRememberedKey("20010415", kNoRememberedKey));
    EXPECT_TRUE(replacesRememberedKey("990415", "20010415"));
    EXPECT_FALSE(replacesRememberedKey("20020101", "20010415"));
    EXPECT_TRUE(replacesRememberedKey("20300101_1", "20010415"));  // other lengths always replace
}

}  // namespace
}  // namespace lumbrel::web
