#pragma once
// What a camera load asks of the user and of the loading pipeline. The front
// ends implement the prompt with their dialogs, the tests with scripted answers.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

class CameraPrompt {
public:
    virtual ~CameraPrompt() = default;
    /// The confirmation before a load (buttons OK and Suspend); true = OK.
    virtual bool confirmLoad(std::string_view caption, std::string_view text) = 0;
    /// A message with an OK button, by string number and text.
    virtual void showMessage(int stringId, std::string_view text) = 0;
    /// The folder choice. shown holds the found folders as they are displayed
    /// (upper case, full paths; folderDisplayText shortens them for a narrow
    /// list). Returns the indices into shown of the folders the user moved to
    /// the folder list, in the order moved; nullopt when the user cancels.
    virtual std::optional<std::vector<std::size_t>> chooseFolders(const std::vector<std::string>& shown) = 0;
    /// Shows or hides the wait cursor while drives are scanned.
    virtual void setWaitCursor(bool /*on*/) {}
};

/// Shows the wait cursor of prompt for its lifetime.
class WaitCursor {
public:
    explicit WaitCursor(CameraPrompt& prompt) : prompt_(prompt) { prompt_.setWaitCursor(true); }
    ~WaitCursor() { prompt_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    CameraPrompt& prompt_;
};

/// The loading pipeline: loads the pictures of the source folders (full paths,
/// in the order given). progressCaption names the transfer progress window;
/// empty for the pipeline's own caption. False when the load failed.
using Pipeline = std::function<bool(const std::vector<std::string>& sourceFolders, std::string_view progressCaption)>;

}  // namespace lumbrel::camera
