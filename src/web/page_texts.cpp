#include "web/page_texts.h"

#include <array>
#include <utility>

namespace lumbrel::web {
namespace {

struct NumberedText {
    int number;
    std::string_view text;
};

// The pages declare UTF-8 because every text this program handles is UTF-8;
// any other declaration would garble non-ASCII titles.
constexpr std::array kTexts{
    NumberedText{129, "utf-8"},
    NumberedText{130, "The list of %s/%s"},
    NumberedText{131, "(You can view the library for a date by clicking on the date or title)"},
    NumberedText{132, "Date"},
    NumberedText{133, "Title"},
    NumberedText{134, "Sample view (Up to five displayed within library)"},
    NumberedText{135, "View library"},
    NumberedText{136, "English capable browser that can display frames is required to view this page\r\n"},
    NumberedText{137, "View library"},
    NumberedText{138, "Clicking the highlighted month in the calendar in the"},
    NumberedText{139, "upper frame displays the list for that month in the frame"},
    NumberedText{140, "No library was found."},
    NumberedText{141, "Load an image and try again."},
    NumberedText{142, "%s\n\nThis file may have been modified using another editor or is corrupted. \n"
                      "Using this file could damage other data. \nDo you want to quit using this file?"},
    NumberedText{144, "%s"},
    NumberedText{145, "January"},
    NumberedText{146, "February"},
    NumberedText{147, "March"},
    NumberedText{148, "April"},
    NumberedText{149, "May"},
    NumberedText{150, "June"},
    NumberedText{151, "July"},
    NumberedText{152, "August"},
    NumberedText{153, "September"},
    NumberedText{154, "October"},
    NumberedText{155, "November"},
    NumberedText{156, "December"},
    NumberedText{157, "Number of copies"},
    NumberedText{158, "%d copies"},
};

}  // namespace

std::string_view pageText(int number) {
    for (const NumberedText& entry : kTexts)
        if (entry.number == number) return entry.text;
    return {};
}

std::string_view monthName(int monthIndex) {
    if (monthIndex < 0 || monthIndex > 11) return {};
    return pageText(kTextJanuary + monthIndex);
}

}  // namespace lumbrel::web
