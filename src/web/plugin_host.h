#pragma once
// The template plug-ins in the program's Plugins folder, as the program uses
// them: the sorted list of every template they offer, the default template of
// start-up, the texts and colour samples of the selection dialog, and the
// writing of a library's album pages.
//
// No plug-in stays loaded: every use loads the file, looks its export up by
// name, calls it and unloads it again. A file that cannot be loaded or lacks
// the export asked for gives an empty result, never an error.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/services.h"
#include "app/settings.h"
#include "library/album_doc.h"

namespace lumbrel::web {

/// One template offered by a plug-in.
struct TemplateEntry {
    std::string title;
    int index = 0;           ///< position in its plug-in's title list: the template index passed to it
    std::string pluginFile;  ///< file name in the Plugins folder

    bool operator==(const TemplateEntry&) const = default;
};

/// The plug-ins' folder of a program folder (app::pluginsFolder): its own
/// "Plugins", else the one beside the running program.
std::string pluginsFolder(std::string_view programFolder);
/// The "DllPath" form of a plug-in file name: "./Plugins/" + file name.
std::string dllPathOf(std::string_view pluginFile);
/// The plug-in file a "DllPath" value names: pluginsFolder(programFolder) + "/" +
/// the value's file name; empty when the value names no file.
std::string pluginFilePath(std::string_view programFolder, std::string_view dllPath);

/// The texts of a name list as a plug-in returns it (per entry a length byte L,
/// L - 2 text bytes, a 0 byte; a 0 length byte ends the list), at most count
/// of them. Never reads outside list: an entry that does not fit or a length
/// byte below 2 ends the walk.
std::vector<std::string> readNameList(std::span<const std::uint8_t> list, std::int32_t count);

/// Every template of every plug-in (*.so) in pluginsFolder, sorted by title
/// ignoring letter case. Plug-in files are taken in the order of their names;
/// equal titles keep that order and their plug-in's list order.
std::vector<TemplateEntry> enumerateTemplates(const std::string& pluginsFolder);

/// Start-up's template finder over the real plug-ins: the first entry of
/// enumerateTemplates.
class PluginTemplateFinder : public app::TemplateFinder {
public:
    std::optional<app::TemplateChoice> firstTemplate(const std::string& pluginsFolder) override;
};

// --- The selection dialog --------------------------------------------------

/// The overview text of a template; empty when the plug-in gives none.
std::string templateSummary(const std::string& pluginsFolder, const TemplateEntry& entry);
/// The colour pattern names of a plug-in, in its order.
std::vector<std::string> colourPatternNames(const std::string& pluginsFolder, std::string_view pluginFile);
/// A colour sample in device-independent form (information header and
/// pixels); nullopt when the plug-in gives none or fills another size than
/// it asked for.
std::optional<std::vector<std::uint8_t>> colourSampleDib(const std::string& pluginsFolder,
                                                         std::string_view pluginFile, int patternIndex);

struct TemplateSelection {
    std::size_t entry = 0;                 ///< position in the enumerated list
    std::vector<std::string> colourNames;  ///< the colour patterns of its plug-in
    int colour = 0;                        ///< selected colour pattern
};
/// What the dialog opens with: the entry of the current plug-in (DllPath) and
/// template number with the current colour, else the first entry with colour
/// 7. A plug-in with fewer than 8 colour patterns, or without the wanted one,
/// opens with colour 0. nullopt when entries is empty.
std::optional<TemplateSelection> initialSelection(const std::string& pluginsFolder,
                                                  const std::vector<TemplateEntry>& entries,
                                                  std::string_view dllPath, int templateNo, int colourNo);

// --- Album pages -----------------------------------------------------------

/// The values that the album pages take from the settings.
struct AlbumPageValues {
    int printButton = 0;   ///< 0 = the pages offer the print button
    int mailSizeCode = 0;  ///< 0 = 640 x 480, 1 = 320 x 240
    std::string mailName;  ///< chosen mail program's display name
};

/// Writes the album pages of the library at libraryPath through the plug-in
/// that dllPath names, handing it the library's images from doc (the images of
/// the library whose key is the path's last component). The plug-in's result;
/// false when its file or its MakeHtmlFile export is missing.
bool writeAlbumPages(const std::string& programFolder, library::CKDCardAlbumDoc& doc,
                     const std::string& libraryPath, std::string_view dllPath, int templateIndex,
                     int patternIndex, const AlbumPageValues& values);

/// The same with PrintButton, TempSize and MailName read from the settings.
bool writeAlbumPages(const app::Settings& settings, library::CKDCardAlbumDoc& doc, const std::string& libraryPath,
                     std::string_view dllPath, int templateIndex, int patternIndex);

}  // namespace lumbrel::web
