#pragma once
// The run journal: the undo log of a run that changes the card, the library
// or the index (a load today), kept in the program folder as well as in
// memory. Each change is written to it before it is made, so that a run
// stopped at any moment, by a failure, "Suspend", a crash, kill -9 or a power
// cut, is whole or not at all:
//
// - Until the index naming the run's new files is saved (the commit point),
//   the card is never changed: a move on one file system gives the picture a
//   second name in the library, and a move to another file system copies it.
//   Taking the run back deletes the files it made, puts back the files it set
//   aside and removes the folders it made, latest first.
// - From the commit point on the run is finished instead: the card files the
//   library now holds are deleted, each only when it is still the very file
//   that was copied (same device, inode, size and time), the files set aside
//   go, emptied card folders go, and the pages of the libraries are written.
//
// A journal found at start-up (replayJournal) is taken back or finished the
// same way before anything else is done. Temporary files the stopped process
// left in the folders it wrote are removed then too.
//
// The file is a list of records, one per line: a letter, then each field as
// " LENGTH:BYTES", then " #" and a check sum of the line. A record cut short
// by a power cut fails its check sum and ends the list: the step it describes
// had not begun, since every record is written before its step.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace lumbrel::app {

inline constexpr std::string_view kJournalFileName = "Lumbrel.journal";

/// What the start-up's replay of a stopped run did and leaves to do.
struct InterruptedRun {
    bool found = false;     ///< a journal was there
    bool finished = false;  ///< the run had reached its commit point and was finished
    bool folderMode = false;
    /// Libraries whose pages the finished run had still to write (folder paths).
    std::vector<std::string> touched;
    /// Per library: the size of its page files before the run rewrote them,
    /// where the run had begun to.
    std::map<std::string, std::int32_t> pageBytesBefore;
    /// The index already holds the libraries' sizes after their new pages.
    bool sizesSaved = false;
    /// Card files left where they were because they are no longer the file copied.
    std::vector<std::string> sourcesKept;
    /// Files the take-back could not put back (they stay complete where they are).
    std::size_t notRestored = 0;
    /// Settings the finished run had still to write: section, key, value.
    std::vector<std::vector<std::string>> settings;
};

/// What finishing a committed run did.
struct CommitReport {
    std::vector<std::string> sourcesKept;  ///< card files not deleted (changed, or could not be)
    std::size_t trashed = 0;               ///< items moved to the trash
    std::vector<std::string> notDeleted;   ///< items to delete that stay (put back in place)
};

class RunJournal {
public:
    /// A journal kept in memory only, until open() gives it its file.
    RunJournal() = default;
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    /// Creates the journal file at path for a run; false when it cannot be
    /// made or a journal is already there (a stopped run not yet replayed).
    bool open(const std::string& path, bool folderMode);
    /// Opens the journal a stopped, committed run left, to go on recording
    /// the rest of its finish. False when there is none.
    bool resume(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }

    // ---- Steps of the run, each recorded before it is taken --------------
    /// Creates folder when it is missing (one level). True when it exists afterwards.
    bool makeFolder(const std::string& folder);
    /// A file the run is about to write at path (free until now). Written to
    /// the journal at once and on the disk by the next sync().
    bool willCreate(const std::string& path);
    /// Waits until the records so far are on the disk.
    bool sync();
    /// Moves the file at path aside so that a new file can take its place
    /// (or, for a folder, so that it can go once committed). Put back by the
    /// take-back; deleted when the run is committed.
    bool setAside(const std::string& path);
    /// Renames the folder from to the free name to (one file system). Put
    /// back by the take-back. False, with errno, when the rename cannot be
    /// made (EXDEV: another file system; EEXIST: to is taken).
    bool renameFolder(const std::string& from, const std::string& to);
    /// Moves the file or folder at path aside, to go to the desktop's trash
    /// once committed (deleted where no trash can be made); put back by the
    /// take-back.
    bool trashOnCommit(const std::string& path);
    /// A folder to delete with all it holds once committed, after every
    /// other step of the finish (a library left without pictures).
    bool deleteOnCommit(const std::string& folder);
    /// Keeps a copy of the file or folder at path (or notes that there is
    /// none), which the take-back puts in its place again; dropped once
    /// committed. For pages the run rewrites in place.
    bool backUp(const std::string& path);
    /// A setting the run writes once committed (a stopped run's finish
    /// reports it in InterruptedRun::settings).
    bool settingOnCommit(std::string_view section, std::string_view key, std::string_view value);
    /// Removes a folder the run made and left empty (a library it gave up).
    void dropFolder(const std::string& folder);

    // ---- What a committed run finishes -------------------------------------
    /// source is to leave the card once committed; the library holds it at
    /// dest. identity: the source as it was read (or linked).
    bool moveOnCommit(const std::string& source, const std::string& dest, const platform::FileIdentity& identity);
    /// A card folder to remove once committed, if the move left it empty.
    bool cleanOnCommit(const std::string& folder);
    /// A library whose pages a committed run writes.
    bool pagesToWrite(const std::string& folder);
    /// The index is about to be saved with bytes of this hash, to indexPath
    /// and its copy copyPath: from the moment either holds them the run counts
    /// as committed (sizes: the second save, of the sizes after the pages).
    bool savingIndex(std::uint64_t hash, const std::string& indexPath, const std::string& copyPath,
                     bool sizes = false);
    /// The index is saved: the run is committed.
    bool committed();
    /// The pages of folder are about to be rewritten; bytesBefore: the size of
    /// its page files now.
    bool writingPages(const std::string& folder, std::int32_t bytesBefore);

    /// Takes the run back, latest change first, and ends the journal.
    /// Returns the number of files that could not be put back.
    std::size_t rollBack();
    /// Finishes a committed run (deletes moved sources, set-aside files,
    /// emptied card folders). The journal stays until close().
    CommitReport commit();
    /// Ends a complete run: the journal file goes.
    void close();

private:
    friend InterruptedRun replayJournal(const std::string& programFolder);
    struct Record {
        char kind = 0;
        std::vector<std::string> fields;
    };
    bool append(char kind, std::vector<std::string> fields, bool flush);
    bool moveAside(char kind, const std::string& path);
    static std::size_t rollBack(const std::vector<Record>& records);
    static CommitReport commit(const std::vector<Record>& records);
    static std::vector<Record> parse(std::string_view text);
    void removeFile();

    std::string path_;
    int fd_ = -1;
    bool dirty_ = false;
    std::vector<Record> records_;
};

/// Replays the journal a stopped run left in programFolder, if any: takes the
/// run back, or finishes its file steps when it was committed (what is left
/// for the pages is in the result). Removes the temporary files the stopped
/// process left, then the journal, unless pages are left to write: then the
/// journal stays (marked committed) until endJournal().
InterruptedRun replayJournal(const std::string& programFolder);
/// Removes the journal of a run whose finish is complete.
void endJournal(const std::string& programFolder);

}  // namespace lumbrel::app
