#pragma once
// Loading other images: the rules of the folder list that the user builds
// before the folders go to the loading pipeline, shared by the dialog and the
// command line so that both refuse the same folders with the same messages.
//
//   - A folder is listed once, whatever the letter case of its path (the same
//     folder reached through a link counts as the same folder too), and the
//     list holds at most 10 folders.
//   - A folder without a JPEG or AVI file lying directly in it is refused, on
//     Add (143) and again on Load (147), as it may have lost its files since.
//   - A folder on a network file system can only be copied (142).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/drive_list.h"

namespace lumbrel::maintenance {

inline constexpr std::size_t kMaxOtherFolders = 10;

/// The choice of "Specify saving", as the loading pipeline takes it.
enum OtherImagesChoice : int { kChoiceCopy = 0, kChoiceMove = 1 };

// The texts of the dialog (161) and its messages.
inline constexpr std::string_view kOtherImagesCaption = "Load other images";
inline constexpr std::string_view kOtherImagesHint = "Add location of image file folder to folder list";
inline constexpr std::string_view kOtherImagesAdd = "Add(&A)>>";
inline constexpr std::string_view kOtherImagesDelete = "<<Delete(&D)";
inline constexpr std::string_view kOtherImagesList = "Folder list(Maximum 10 folders) (&L)";
inline constexpr std::string_view kOtherImagesPreview = "Display preview images(&P)";
inline constexpr std::string_view kOtherImagesBack = "<Back(&B)";
inline constexpr std::string_view kOtherImagesNext = "Next(&N)>";
inline constexpr std::string_view kOtherImagesSaving = "Specify saving";
inline constexpr std::string_view kOtherImagesCopy = "Copy(&C)";
inline constexpr std::string_view kOtherImagesMove = "Move(&M)";
inline constexpr std::string_view kOtherImagesLoad = "Load(&G)";
/// The file a movie's first frame goes to for the preview, in the program folder.
inline constexpr std::string_view kMovieFrameFile = "avitemp.jpg";

/// 142: Move chosen with a folder on a network.
inline constexpr std::string_view kNetworkMoveText =
    "When you select or have selected\n"
    "a folder on a network,  you need\n"
    "to  specify  saving  other  than\n"
    "Move.";
/// 143 and 147 follow the path (rule A) with these lines; 147 adds the last.
inline constexpr std::string_view kNoImageText =
    "Corresponding image file is not\n"
    "found in this folder.";
inline constexpr std::string_view kSuspendedText = "Processing will be suspended.";
inline constexpr std::string_view kAddCaption = "Add";

/// A refusal: the message number, its caption and its text.
struct OtherImagesMessage {
    int id = 0;  ///< 142, 143 or 147
    std::string caption;
    std::string text;
    std::string folder;  ///< the folder refused (143, 147); empty for 142
};

/// Rule A (the selected path, messages 143 and 147): longer than 30 bytes,
/// its first 2 ("/" first) or 3 bytes, "..." and its shortest tail of at
/// least 25 bytes. A character is never split.
std::string selectedPathText(std::string_view path);
/// Rule B (entries of the folder list): longer than 17 bytes, the same
/// beginning, "..." and the shortest tail of at least 12 bytes.
std::string listedPathText(std::string_view path);

/// The path of a folder as the list keeps it: a trailing "/" goes, except
/// for the root "/".
std::string folderPath(std::string_view path);
/// A drive root (a mount point, or "/") with its trailing "/", as the folder
/// tree's path of it is to be read; any other path as it is.
std::string treePath(std::string_view path, const std::vector<camera::MountedRoot>& mounts);
/// Whether a path chosen in the tree can be added: not empty (a virtual
/// item) and not a drive root (ending in "/").
bool addable(std::string_view path);

/// The folder image list: every regular file lying directly in folder whose
/// name ends in ".JPG" or ".AVI" in any letter case, sorted by name ignoring
/// case (equal names keep their order); full paths. Empty when the folder
/// cannot be read.
std::vector<std::string> folderImageList(const std::string& folder);

/// True when folder lies on a network file system of mounts (links in the
/// path are followed first).
bool isNetworkFolder(const std::string& folder, const std::vector<camera::MountedRoot>& mounts);

/// The folders of a load, in the order added.
class OtherFolderList {
public:
    enum class Added { Added, AlreadyListed, Full };

    /// Appends folder (as folderPath gives it) unless the list is full or
    /// holds it already, ignoring case or through a link.
    Added add(std::string_view folder);
    /// Removes entry index; false when there is none.
    bool remove(std::size_t index);
    bool contains(std::string_view folder) const;
    const std::vector<std::string>& folders() const { return folders_; }
    std::size_t size() const { return folders_.size(); }
    bool empty() const { return folders_.empty(); }

private:
    std::vector<std::string> folders_;
};

/// Add of folder: 142 when Move is chosen (choice 1) and the folder is on a
/// network, 143 when it holds no JPEG or AVI file; nullopt when it may be added.
std::optional<OtherImagesMessage> checkAdd(const std::string& folder, int choice,
                                           const std::vector<camera::MountedRoot>& mounts);
/// Load of folders: 142 when Move is chosen and one of them is on a network,
/// else 147 for the last of them that holds no JPEG or AVI file; nullopt
/// when the load may go.
std::optional<OtherImagesMessage> checkLoad(const std::vector<std::string>& folders, int choice,
                                            const std::vector<camera::MountedRoot>& mounts);

}  // namespace lumbrel::maintenance
