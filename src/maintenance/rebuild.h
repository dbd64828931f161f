#pragma once
// Changing a library's title, and rebuilding libraries: their folders are
// scanned again, their records replaced, their album pages written anew and
// the site brought up to date; the index is saved once at the end. A library
// whose folder no longer holds any picture leaves the disk and the index.

#include <cstdint>
#include <string>
#include <vector>

#include "app/run_journal.h"
#include "maintenance/maintenance_context.h"
#include "maintenance/reachability.h"

namespace lumbrel::maintenance {

/// What the per-library rebuild step gives the new record and its pages.
struct RebuildValues {
    std::string title;
    std::int32_t shortcutFlag = 0;
    std::string templateText;
    std::int32_t printButton = 0;
    std::int32_t attachmentSize = 0;
    std::string mailName;
    std::string dllPath;
    int templateIndex = 0;
    int patternIndex = 7;
    /// The album pages take PrintButton, TempSize and MailName from the
    /// settings instead of the three values above.
    bool pagesFromSettings = false;
};

enum class StepOutcome { Rebuilt, Removed };

/// The per-library rebuild step; appends the library's key to keys. The
/// record of location is replaced by the rescan of its folder, or, when the
/// folder holds no picture, the record goes and the folder is deleted once
/// the run is committed (journal).
StepOutcome rebuildStep(MaintenanceContext& context, const std::string& location, const RebuildValues& values,
                        std::vector<std::string>& keys, app::RunJournal& journal);

struct RebuildResult {
    bool confirmed = false;             ///< false: Cancel in the confirmation, nothing changed
    std::vector<std::string> kept;      ///< the selected libraries still there, in order
    std::vector<std::string> removed;   ///< libraries that had lost every picture
    std::vector<std::string> skipped;   ///< not reachable, left as they were
    bool saved = false;                 ///< the index was saved
};

/// Rebuilds the libraries at locations (list order) with the current
/// template and options, after confirmation 150.
RebuildResult rebuildSelected(MaintenanceContext& context, const std::vector<std::string>& locations);
/// Rebuilds every library with the current mail and print options, each
/// keeping its own template, after confirmation 273.
RebuildResult rebuildAll(MaintenanceContext& context);
/// The same as rebuildSelected or rebuildAll after the confirmation, for a
/// given set of drive roots (tests).
RebuildResult rebuildSelected(MaintenanceContext& context, const std::vector<std::string>& locations,
                              const DriveRoots& roots);
RebuildResult rebuildAll(MaintenanceContext& context, const DriveRoots& roots);

enum class TitleResult { Changed, NoSuchLibrary, SaveFailed };

/// Sets the title of the library at location (at most 40 bytes are kept,
/// never splitting a character), saves the index and retitles its row on the
/// site. A failed save leaves the record as it was.
TitleResult changeTitle(MaintenanceContext& context, const std::string& location, const std::string& title);

/// The most bytes a library title holds.
inline constexpr std::size_t kTitleBytes = 40;

}  // namespace lumbrel::maintenance
