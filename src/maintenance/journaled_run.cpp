#include "maintenance/journaled_run.h"

#include "library/index_file.h"
#include "maintenance/library_files.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {

bool JournaledRun::begin() { return journal_.open(platform::joinPath(c_.programFolder, app::kJournalFileName), false); }

bool JournaledRun::refreshSite(const std::vector<std::string>& keys) {
    if (!c_.site || keys.empty()) return true;
    // Every page the passes may rewrite: the frameset and the HTML folder.
    if (!journal_.backUp(platform::joinPath(c_.programFolder, "HTML")) ||
        !journal_.backUp(platform::joinPath(c_.programFolder, "library.htm")))
        return false;
    c_.site->removePass(keys);
    std::vector<std::string> kept;
    for (const std::string& key : keys)
        for (const auto& album : c_.doc.albums())
            if (platform::equalNoCase(album->key(), key)) {
                kept.push_back(key);
                break;
            }
    if (!kept.empty()) c_.site->addPass(kept);
    return true;
}

bool JournaledRun::commitIndex(const std::string& copyPath) {
    const std::string copy = copyPath.empty() ? indexCopyPath(c_.settings) : copyPath;
    const std::vector<std::uint8_t> bytes = library::serializeIndex(c_.doc);
    if (!journal_.savingIndex(library::indexHash(bytes), c_.indexPath, copy)) return false;
    if (!library::writeIndexBytes(bytes, c_.indexPath, copy)) return false;
    // Should this record not reach the disk, the index's bytes tell the same.
    journal_.committed();
    return true;
}

app::CommitReport JournaledRun::finish() {
    app::CommitReport report = journal_.commit();
    journal_.close();
    return report;
}

}  // namespace lumbrel::maintenance
