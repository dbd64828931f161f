#pragma once
// The desktop's trash, laid out as freedesktop.org desktops share it: a file or folder
// the user deletes is moved there, as the desktop's file manager does, so that
// a mistaken delete can be taken back. The home trash ($XDG_DATA_HOME/Trash,
// default ~/.local/share/Trash) takes what lies on the home trash's file
// system; anything else goes to the trash at the top of its own file system
// ($topdir/.Trash/$UID when the administrator made a sticky .Trash there, else
// $topdir/.Trash-$UID). Each item gets its "info/NAME.trashinfo" (original
// path and deletion time) written before it is moved into "files/NAME" by a
// rename, so an item is never copied and never lost on the way.

#include <string>

namespace lumbrel::platform {

enum class TrashResult {
    Trashed,  ///< the item is in the trash
    NoTrash,  ///< no trash can be made on the item's file system; the item is as it was
    Failed,   ///< the item is missing or could not be moved; it is as it was
};

/// Moves the file or folder at path (which must exist) into the trash.
/// originalPath, when given, is the place the item is restored to (and its
/// name in the trash): for an item set aside under another name before it
/// was deleted. It must lie in the same folder as path.
TrashResult moveToTrash(const std::string& path, const std::string& originalPath = {});

/// The home trash folder: $XDG_DATA_HOME/Trash, with XDG_DATA_HOME defaulting
/// to $HOME/.local/share.
std::string homeTrash();

}  // namespace lumbrel::platform
