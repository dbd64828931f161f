#pragma once
// The desktop's hand-over of the album pages' MAIL and PRINT links: a desktop
// entry that names lumbrel-open-url as the program for lumbrel-mail: and
// lumbrel-print: links, made their default so that a browser following such
// a link starts it.

#include <array>
#include <string>
#include <string_view>

namespace lumbrel::app {

inline constexpr std::string_view kUrlHandlerEntry = "lumbrel-url-handler.desktop";
inline constexpr std::array<std::string_view, 2> kControlSchemes{"lumbrel-mail", "lumbrel-print"};

/// $XDG_DATA_HOME/applications/lumbrel-url-handler.desktop
std::string urlHandlerEntryPath();

/// The entry's text: Exec runs openUrlProgram (with --home programFolder when
/// programFolder is not empty) on the link (%u).
std::string urlHandlerEntryText(const std::string& openUrlProgram, const std::string& programFolder);

/// lumbrel-open-url beside the running program.
std::string openUrlProgramPath();

/// Writes the entry (unless it holds that text already) and makes it the
/// default for both schemes through `xdg-mime default` (unless xdg-mime names
/// it already). programFolder as for urlHandlerEntryText. Whether the entry is
/// in place; a failing xdg-mime is ignored.
bool registerUrlHandler(const std::string& openUrlProgram, const std::string& programFolder);

/// registerUrlHandler when the entry is missing or says something else (a
/// first start, or a program that has moved); nothing otherwise, so that a
/// start does not ask xdg-mime every time.
void registerUrlHandlerIfStale(const std::string& openUrlProgram, const std::string& programFolder);

/// Removes the entry; true when none is left.
bool unregisterUrlHandler();

/// The program folder an entry written by programFolder's program must name:
/// empty when it is the folder of openUrlProgram itself (lumbrel-open-url
/// finds it alone), else programFolder.
std::string homeArgument(const std::string& openUrlProgram, const std::string& programFolder);

}  // namespace lumbrel::app
