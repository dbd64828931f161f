#pragma once
// Carrying library folders to another place: Copy (copies outside the
// collection, the index does not change), Move (the libraries leave the
// collection for the destination) and the move of the image library root
// (the libraries stay, under their new paths).
//
// Every step is written to the run journal before it is taken, so that a
// failure, a stop or a crash leaves everything as before the command: the
// library, the destination, the program folder and the index. A file leaves
// its old place only once its copy is complete, flushed and of the right
// size, and once the index (and the SaveFolder setting) naming the new place
// is saved. On one file system a library folder is moved by renaming it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "maintenance/maintenance_context.h"

namespace lumbrel::maintenance {

enum class CarryKind { Copy, Move, MoveRoot };

/// Why a destination is refused before anything is touched.
enum class DestinationProblem {
    None,
    NoPath,          ///< no folder (a virtual item of the tree)
    IsSaveFolder,    ///< Copy: the image library root itself
    InsideCarried,   ///< inside a library being carried (or, moving the root, inside the root)
    NoRoom,          ///< volume in KB at least the free space in KB (163, 164, 260)
};

/// The destination as stored: a path of a root ("/") stays, a trailing "/"
/// of any other path goes.
std::string destinationPath(std::string path);

/// Free space of the file system holding path, in KB; nullopt when it cannot
/// be asked (the path's nearest existing folder is asked).
std::optional<std::uint64_t> freeKilobytes(const std::string& path);

/// The refusal of dest for a command carrying volumeKilobytes: carried are
/// the library folders (Copy, Move) or the image library root (MoveRoot).
DestinationProblem checkDestination(CarryKind kind, const std::string& dest, std::uint64_t volumeKilobytes,
                                    const std::vector<std::string>& carried, const std::string& saveFolder);
/// Whether the OK button of the destination dialog can be pressed for path
/// (the other refusals are told when it is pressed).
bool destinationSelectable(CarryKind kind, const std::string& path, const std::string& saveFolder);

/// The path as the destination dialogs show it: longer than 30 bytes, its
/// first 2 ("/" first) or 3 bytes, "..." and its shortest tail of 25 bytes or more.
std::string dialogPathText(const std::string& path);
/// The path as the General setup page shows it: longer than 23 bytes, its
/// first 3 bytes, " ... " and its last 20.
std::string generalPathText(const std::string& path);

struct CarryResult {
    enum class Outcome {
        Done,       ///< carried (possibly nothing: every library skipped)
        Cancelled,  ///< the user stopped; everything is as before
        Failed,     ///< a file operation failed (message 59148); everything is as before
    };
    Outcome outcome = Outcome::Done;
    std::string failure;                ///< the file or folder that failed, and why
    std::size_t files = 0;              ///< files carried
    std::vector<std::string> carried;   ///< libraries carried (old locations)
    std::vector<std::string> skipped;   ///< already at the destination, or without a record
    /// Old files left in place after a move because they changed while it ran.
    std::vector<std::string> keptInPlace;
    std::size_t notRestored = 0;        ///< files a roll-back could not put back
    bool ok() const { return outcome == Outcome::Done; }
};

/// Copies the libraries at locations (list order) into dest.
CarryResult copyLibraries(MaintenanceContext& context, const std::vector<std::string>& locations,
                          const std::string& dest);
/// Moves the libraries at locations into dest; they leave the index and the site.
CarryResult moveLibraries(MaintenanceContext& context, const std::vector<std::string>& locations,
                          const std::string& dest);

struct MoveRootResult {
    CarryResult carry;
    std::string newRoot;          ///< the image library root now (SaveFolder)
    bool onlySetting = false;     ///< nothing was carried: only SaveFolder changed
    bool adoptedIndex = false;    ///< an index file found at the new root was taken
};

/// Moves the image library root to chosen (a folder "Image Library" inside
/// it unless its last component is that name already).
MoveRootResult moveSaveFolder(MaintenanceContext& context, const std::string& chosen);

}  // namespace lumbrel::maintenance
