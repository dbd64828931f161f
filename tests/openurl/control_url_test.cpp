// Reading the links the album pages load.

#include <gtest/gtest.h>

#include <vector>

#include "openurl/control_url.h"

namespace lumbrel::openurl {
namespace {

TEST(ControlUrl, ThePagesLinksDecoded) {
    std::string why;
    // As encodeURIComponent writes them: "&", "#", "+", spaces and UTF-8 escaped.
    auto link = parseControlUrl(
        "lumbrel-mail:?ImageFile=Boat%201.JPG&ImagePath=%2Fhome%2Fa%2FImage%20Library%2FTrip%20%232%20%26%20more"
        "&ImageSize=1&Mailer=Post%20%26%20Mail%2B%C3%A9",
        why);
    ASSERT_TRUE(link) << why;
    EXPECT_EQ(link->kind, ControlKind::Mail);
    EXPECT_EQ(link->value("ImageFile"), "Boat 1.JPG");
    EXPECT_EQ(link->value("imagepath"), "/home/a/Image Library/Trip #2 & more");
    EXPECT_EQ(link->value("ImageSize"), "1");
    EXPECT_EQ(link->value("MailName"), "Post & Mail+\xc3\xa9");  // Mailer and MailName are one property

    link = parseControlUrl("LUMBREL-PRINT://?ImagePath=%2Flib&&", why);
    ASSERT_TRUE(link) << why;
    EXPECT_EQ(link->kind, ControlKind::Print);
    EXPECT_EQ(link->value("ImagePath"), "/lib");
    EXPECT_EQ(link->value("ImageFile"), "");
    EXPECT_TRUE(parseControlUrl("lumbrel-print:ImagePath=a+b", why));
    EXPECT_EQ(parseControlUrl("lumbrel-print:ImagePath=a+b", why)->value("ImagePath"), "a+b");
}

TEST(ControlUrl, RefusedLinks) {
    const std::string longValue(kMaxValueBytes + 1, 'a');
    const std::string longUrl = "lumbrel-print:?ImagePath=" + std::string(kMaxUrlBytes, 'a');
    for (const std::string& url : std::vector<std::string>{
             "mailto:?ImagePath=%2Flib",
             "lumbrel-mailer:?ImagePath=%2Flib",
             "lumbrel-print:?ImagePath=%2Flib&Mailer=x",        // the print control has no mailer
             "lumbrel-mail:?Command=rm",                         // no such property
             "lumbrel-mail:?Mailer=a&MailName=b",                // one property given twice
             "lumbrel-mail:?ImagePath=a&imagepath=b",
             "lumbrel-mail:?ImagePath=%2",                       // broken escapes
             "lumbrel-mail:?ImagePath=%G0",
             "lumbrel-mail:?ImageFile=a%0Ab.jpg",                // control characters
             "lumbrel-mail:?ImageFile=a%00.jpg",
             "lumbrel-mail:?ImageFile=a%7F.jpg",
             "lumbrel-mail:?ImageFile=a%C2%85.jpg",              // C1 control character
             "lumbrel-mail:?ImageFile=a%FF.jpg",                 // not UTF-8
             "lumbrel-mail:?ImageFile=a%C0%AF.jpg",              // overlong "/"
             "lumbrel-mail:?ImageFile=a%ED%A0%80.jpg",           // surrogate
             "lumbrel-mail:?ImageFile=" + longValue,
             longUrl,
         }) {
        std::string why;
        EXPECT_FALSE(parseControlUrl(url, why)) << url.substr(0, 80);
        EXPECT_FALSE(why.empty()) << url.substr(0, 80);
    }
}

}  // namespace
}  // namespace lumbrel::openurl
