#pragma once
// What the library maintenance commands ask of the user once a command is
// under way: its confirmations, the question about each library to delete,
// the question about a read-only picture, and the message of a failed file
// operation. The front ends answer with their dialogs (the desktop program)
// or with options and the terminal (lumbrel-cli); the tests with scripts.
// The choices made before a command starts (the selection, a new title, a
// destination folder) are the command's arguments instead.

#include <string>
#include <string_view>

namespace lumbrel::maintenance {

/// The dialogs that ask OK or Cancel before a command touches anything.
enum class Confirmation {
    RebuildSelected = 150,
    RebuildAll = 273,
    DeleteLibraries = 154,
    DeleteImages = 262,
};

/// The kinds of library the delete question is about.
enum class LibraryKind {
    Ordinary = 155,  ///< its folder holds the pictures
    Shortcut = 156,  ///< its folder holds links to pictures elsewhere
};

/// The answers to the question about one library to delete.
enum class DeleteAnswer { Yes, DeleteAll, No, Cancel };

class MaintenancePrompt {
public:
    virtual ~MaintenancePrompt() = default;
    /// True = OK.
    virtual bool confirm(Confirmation which) = 0;
    /// Asks about one library; shown is its date text, a space and its title.
    virtual DeleteAnswer askDeleteLibrary(LibraryKind kind, std::string_view shown) = 0;
    /// imageFile is read-only; preview is the picture to show beside the
    /// question. True = Delete.
    virtual bool askDeleteReadOnly(const std::string& imageFile, const std::string& preview) = 0;
    /// A message with a stop icon, by string number and text (59148).
    virtual void showError(int stringId, std::string_view text) = 0;
};

}  // namespace lumbrel::maintenance
