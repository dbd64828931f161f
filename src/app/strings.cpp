#include "app/strings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lumbrel::app {

namespace {

constexpr std::array<std::pair<int, std::string_view>, 10> kTable{{
    {kMsgWriteError, "An error occurred while writing library. \nProcessing will be aborted."},
    {kMsgCannotOpenPages, "An error occurred.\nLibrary file cannot be opened"},
    {kStrWatcherEntryName, "Lumbrel supervisory"},
    {kStrDefaultColour, "Green/Gray"},
    {kStrOn, "ON"},
    {kStrOff, "OFF"},
    {kStrCountSuffix, " "},
    {kStrRebuilding, "Rebuilding"},
    {kStrLibraryRebuilt, "The library is being rebuilt"},
    {kStrPleaseWait, "Please wait..."},
}};

}  // namespace

std::string_view text(int id) {
    const auto it = std::find_if(kTable.begin(), kTable.end(), [&](const auto& e) { return e.first == id; });
    return it == kTable.end() ? std::string_view{} : it->second;
}

}  // namespace lumbrel::app
