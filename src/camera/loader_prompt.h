#pragma once
// What the loading pipeline asks of the user: the load date of a folder, what
// to do with pictures that carry no recording date, a library title, and
// messages by string number. The front ends implement it with their dialogs,
// the tests with scripted answers.

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::camera {

/// The choice offered for pictures without a recording date.
enum class UndatedChoice {
    FileDate,  ///< "Sort by date information of a file": the file's last-write time
    ByDate,    ///< "Sort by date": one date chosen for all of them
    Cancel,    ///< leave them on the card
};

class LoaderPrompt {
public:
    virtual ~LoaderPrompt() = default;
    /// The load date dialog. folderShown is the source folder in upper case
    /// when several are loaded, else empty. With offerUnassigned the day list
    /// ends in "Unassigned" (preselected), which gives a key ending in "00";
    /// without it today is preselected. Returns the key YYYYMMDD, or nullopt
    /// on Cancel.
    virtual std::optional<std::string> askLoadDate(std::string_view folderShown, bool offerUnassigned) = 0;
    /// The dialog for pictures without a recording date ("Sort by date
    /// information of a file" preselected).
    virtual UndatedChoice askUndated() = 0;
    /// The title dialog for a new library; folderShown is the source folder,
    /// shortened. The loader keeps at most 40 characters of the answer.
    /// nullopt on Cancel.
    virtual std::optional<std::string> askTitle(std::string_view folderShown) = 0;
    /// A message with an OK button, by string number and text.
    virtual void showMessage(int stringId, std::string_view text) = 0;
};

/// The progress window of a transfer: a caption, a line of text, a bar over
/// total files and a "Suspend" button.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void begin(std::string_view caption, std::string_view text, std::size_t total) = 0;
    /// done files of total have been handled.
    virtual void step(std::size_t done) = 0;
    /// True once the user has pressed "Suspend"; polled after every file.
    virtual bool cancelled() = 0;
    /// The window closes.
    virtual void end() {}
};

/// Opens the library pages in the browser.
class PageOpener {
public:
    virtual ~PageOpener() = default;
    /// False when the page cannot be opened.
    virtual bool open(const std::string& path) = 0;
};

}  // namespace lumbrel::camera
