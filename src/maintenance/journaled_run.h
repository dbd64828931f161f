#pragma once
// A maintenance command's run journal: every change to the disk is recorded
// before it is made, the index naming the result is saved as the commit
// point, and only then do old files go. A run that fails, is stopped or is
// killed before that point is taken back, at once or at the next start.

#include <string>
#include <vector>

#include "app/run_journal.h"
#include "maintenance/maintenance_context.h"

namespace lumbrel::maintenance {

class JournaledRun {
public:
    explicit JournaledRun(MaintenanceContext& context) : c_(context) {}
    /// Opens the journal in the program folder; false when it cannot be
    /// made (or a stopped run's journal is still there).
    bool begin();
    app::RunJournal& journal() { return journal_; }
    /// Takes the rows of the libraries of keys off the site and puts them
    /// back for those still in the document, with the site's pages backed up
    /// first, so that a take-back restores them. False when the backup
    /// cannot be made (the site is then untouched).
    bool refreshSite(const std::vector<std::string>& keys);
    /// Saves the document as the index and its copy at copyPath (empty:
    /// the copy of the current SaveFolder): the commit point.
    bool commitIndex(const std::string& copyPath = {});
    /// Finishes the committed run (old files and backups go) and ends the journal.
    app::CommitReport finish();
    /// Takes the run back and ends the journal; the files not put back.
    std::size_t rollBack() { return journal_.rollBack(); }

private:
    MaintenanceContext& c_;
    app::RunJournal journal_;
};

}  // namespace lumbrel::maintenance
