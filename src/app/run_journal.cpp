#include "app/run_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <set>

#include "library/index_file.h"
#include "platform/trash.h"

namespace lumbrel::app {

using platform::joinPath;
using platform::parentPath;

namespace {

constexpr std::string_view kVersion = "1";
// Far larger than any run's journal; a reader never holds more.
constexpr std::size_t kMaxJournalBytes = std::size_t{1} << 30;

// Record kinds, one letter each.
constexpr char kBegin = 'B';       // version, process id, folder mode
constexpr char kFolder = 'D';      // a folder made
constexpr char kFile = 'F';        // a file about to be written
constexpr char kAside = 'A';       // original place, where the file lies now
constexpr char kMove = 'M';        // source, dest, device, inode, size, time
constexpr char kClean = 'R';       // card folder to remove when emptied
constexpr char kTouched = 'T';     // library whose pages are written
constexpr char kSaving = 'W';      // hash, index path, copy path, sizes
constexpr char kCommitted = 'C';
constexpr char kPages = 'P';       // library, size of its pages before
constexpr char kRenamed = 'N';     // folder renamed: from, to
constexpr char kTrash = 'X';       // original place, where it lies until it goes to the trash
constexpr char kDelete = 'K';      // folder deleted with all it holds, last of the finish
constexpr char kBackingUp = 'V';   // a backup copy being made there
constexpr char kBackup = 'U';      // original, its backup copy ("" when there was none)
constexpr char kSetting = 'S';     // section, key, value written once committed

std::uint32_t checkSum(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

template <typename T>
std::optional<T> number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string encode(char kind, const std::vector<std::string>& fields) {
    std::string line(1, kind);
    for (const std::string& field : fields) {
        line += ' ';
        line += std::to_string(field.size());
        line += ':';
        line += field;
    }
    const std::uint32_t sum = checkSum(line);
    char hex[9];
    const auto end = std::to_chars(hex, hex + 8, sum, 16).ptr;
    line += " #";
    line.append(hex, end);
    line += '\n';
    return line;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::optional<platform::FileIdentity> identityFields(const std::vector<std::string>& f) {
    const auto device = number<std::uint64_t>(f[2]);
    const auto inode = number<std::uint64_t>(f[3]);
    const auto size = number<std::uint64_t>(f[4]);
    const auto time = number<std::int64_t>(f[5]);
    if (!device || !inode || !size || !time) return std::nullopt;
    return platform::FileIdentity{*device, *inode, *size, *time};
}

// How many fields each kind carries; a record with another count is damaged.
std::optional<std::size_t> fieldCount(char kind) {
    switch (kind) {
    case kBegin: return 3;
    case kFolder:
    case kFile:
    case kClean:
    case kDelete:
    case kBackingUp:
    case kTouched: return 1;
    case kAside:
    case kRenamed:
    case kTrash:
    case kBackup:
    case kPages: return 2;
    case kSetting: return 3;
    case kMove: return 6;
    case kSaving: return 4;
    case kCommitted: return 0;
    default: return std::nullopt;
    }
}

}  // namespace

RunJournal::~RunJournal() {
    if (fd_ >= 0) ::close(fd_);
}

bool RunJournal::open(const std::string& path, bool folderMode) {
    if (fd_ >= 0) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    fd_ = fd;
    path_ = path;
    // The journal's name must be on the disk before the first step it guards.
    syncFolder(std::string(parentPath(path)));
    if (append(kBegin, {std::string(kVersion), std::to_string(::getpid()), folderMode ? "1" : "0"}, true))
        return true;
    removeFile();
    return false;
}

bool RunJournal::resume(const std::string& path) {
    if (fd_ >= 0) return false;
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    path_ = path;
    return fd_ >= 0;
}

bool RunJournal::append(char kind, std::vector<std::string> fields, bool flush) {
    if (fd_ >= 0) {
        if (platform::injectedFailure() || !writeAll(fd_, encode(kind, fields))) return false;
        dirty_ = true;
        if (flush && !sync()) return false;
    }
    records_.push_back({kind, std::move(fields)});
    return true;
}

bool RunJournal::sync() {
    if (fd_ < 0 || !dirty_) return true;
    if (::fdatasync(fd_) != 0) return false;
    dirty_ = false;
    return true;
}

bool RunJournal::makeFolder(const std::string& folder) {
    if (platform::isDirectory(folder)) return true;
    if (platform::exists(folder) || !append(kFolder, {folder}, true)) return false;
    return platform::makeDirectory(folder);
}

bool RunJournal::willCreate(const std::string& path) { return append(kFile, {path}, false); }

bool RunJournal::setAside(const std::string& path) { return moveAside(kAside, path); }

bool RunJournal::trashOnCommit(const std::string& path) { return moveAside(kTrash, path); }

bool RunJournal::moveAside(char kind, const std::string& path) {
    const std::string folder(parentPath(path));
    const std::string name(platform::lastComponent(path));
    for (int n = 0; n < 1000; ++n) {
        const std::string aside = joinPath(folder, "." + name + ".replaced-" + std::to_string(n));
        if (platform::exists(aside)) continue;
        if (!append(kind, {path, aside}, true)) return false;
        return platform::renameNoReplace(path, aside) == platform::RenameResult::Renamed;
    }
    return false;
}

bool RunJournal::renameFolder(const std::string& from, const std::string& to) {
    if (platform::exists(to)) {
        errno = EEXIST;
        return false;
    }
    if (!append(kRenamed, {from, to}, true)) return false;
    // Not renamed: the record stands for nothing, and the take-back finds the
    // folder where it was.
    switch (platform::renameNoReplace(from, to)) {
    case platform::RenameResult::Renamed: return true;
    case platform::RenameResult::OtherFileSystem: errno = EXDEV; return false;
    case platform::RenameResult::Failed: return false;
    }
    return false;
}

namespace {

// A copy of the file or folder from at to, modes kept, on the disk.
bool copyTree(const std::string& from, const std::string& to) {
    if (!platform::isDirectory(from)) return platform::copyFile(from, to, true);
    if (!platform::makeDirectory(to)) return false;
    const auto entries = platform::listDirectory(from);
    if (!entries) return false;
    for (const auto& entry : *entries)
        if (!copyTree(joinPath(from, entry.name), joinPath(to, entry.name))) return false;
    syncFolder(to);
    return true;
}

}  // namespace

bool RunJournal::backUp(const std::string& path) {
    if (!platform::exists(path)) return append(kBackup, {path, ""}, true);
    const std::string folder(parentPath(path));
    const std::string name(platform::lastComponent(path));
    for (int n = 0; n < 1000; ++n) {
        const std::string copy = joinPath(folder, "." + name + ".backup-" + std::to_string(n));
        if (platform::exists(copy)) continue;
        if (!append(kBackingUp, {copy}, true)) return false;
        if (!copyTree(path, copy)) return false;
        syncFolder(folder);
        return append(kBackup, {path, copy}, true);
    }
    return false;
}

bool RunJournal::deleteOnCommit(const std::string& folder) { return append(kDelete, {folder}, false); }

bool RunJournal::settingOnCommit(std::string_view section, std::string_view key, std::string_view value) {
    return append(kSetting, {std::string(section), std::string(key), std::string(value)}, false);
}

void RunJournal::dropFolder(const std::string& folder) { platform::removeDirectory(folder); }

bool RunJournal::moveOnCommit(const std::string& source, const std::string& dest,
                              const platform::FileIdentity& id) {
    return append(kMove,
                  {source, dest, std::to_string(id.device), std::to_string(id.inode), std::to_string(id.size),
                   std::to_string(id.mtimeNs)},
                  false);
}

bool RunJournal::cleanOnCommit(const std::string& folder) { return append(kClean, {folder}, false); }

bool RunJournal::pagesToWrite(const std::string& folder) { return append(kTouched, {folder}, false); }

bool RunJournal::savingIndex(std::uint64_t hash, const std::string& indexPath, const std::string& copyPath,
                             bool sizes) {
    return append(kSaving, {std::to_string(hash), indexPath, copyPath, sizes ? "1" : "0"}, true);
}

bool RunJournal::committed() { return append(kCommitted, {}, true); }

bool RunJournal::writingPages(const std::string& folder, std::int32_t bytesBefore) {
    return append(kPages, {folder, std::to_string(bytesBefore)}, false);
}

std::size_t RunJournal::rollBack() {
    const std::size_t notRestored = rollBack(records_);
    close();
    return notRestored;
}

CommitReport RunJournal::commit() { return commit(records_); }

void RunJournal::close() {
    if (fd_ >= 0) removeFile();
    records_.clear();
}

void RunJournal::removeFile() {
    ::close(fd_);
    fd_ = -1;
    dirty_ = false;
    ::unlink(path_.c_str());
    syncFolder(std::string(parentPath(path_)));
}

std::size_t RunJournal::rollBack(const std::vector<Record>& records) {
    std::size_t notRestored = 0;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        const std::vector<std::string>& f = it->fields;
        switch (it->kind) {
        case kFile:
            // Recorded before the file was written, when nothing stood there.
            platform::deleteFile(f[0]);
            break;
        case kAside:
        case kTrash: {
            if (!platform::exists(f[1])) break;
            // Stopped between the second name and the removal of the first:
            // both name the same file, and the aside name goes.
            const auto original = platform::fileIdentity(f[0]);
            if (original && original == platform::fileIdentity(f[1])) {
                platform::deleteFile(f[1]);
                break;
            }
            // Renamed back; should that fail, the file stays, complete, aside.
            if (platform::renameNoReplace(f[1], f[0]) != platform::RenameResult::Renamed) ++notRestored;
            break;
        }
        case kBackingUp: platform::deleteTree(f[0]); break;
        case kBackup:
            // The original as it was: its copy takes its place again (a
            // take-back stopped half-way does this again at the next start).
            if (f[1].empty()) {
                platform::deleteTree(f[0]);
            } else if (platform::exists(f[1])) {
                platform::deleteTree(f[0]);
                if (platform::renameNoReplace(f[1], f[0]) != platform::RenameResult::Renamed) ++notRestored;
            }
            break;
        case kRenamed:
            if (!platform::exists(f[0]) && platform::exists(f[1]) &&
                platform::renameNoReplace(f[1], f[0]) != platform::RenameResult::Renamed)
                ++notRestored;
            break;
        default: break;
        }
    }
    // Folders last, latest first: a folder is made at its first file's turn,
    // which may come after files journaled for it.
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == kFolder) platform::removeDirectory(it->fields[0]);
    return notRestored;
}

CommitReport RunJournal::commit(const std::vector<Record>& records) {
    CommitReport report;
    for (const Record& record : records) {
        const std::vector<std::string>& f = record.fields;
        if (record.kind == kMove) {
            // The card file goes only while it is the file that was copied and
            // the library holds its copy; anything else stays and is named.
            const auto expected = identityFields(f);
            const auto now = platform::fileIdentity(f[0]);
            if (!now) continue;  // gone already (a finish resumed)
            if (!expected || *now != *expected || !platform::isFile(f[1]) || !platform::deleteFile(f[0]))
                report.sourcesKept.push_back(f[0]);
        } else if (record.kind == kAside || (record.kind == kBackup && !f[1].empty())) {
            platform::deleteTree(f[1]);
        } else if (record.kind == kTrash && platform::exists(f[1])) {
            // What the user deleted goes to the trash under its own name;
            // where there is none it is deleted, and where the trash fails
            // it goes back to its place rather than being lost.
            switch (platform::moveToTrash(f[1], f[0])) {
            case platform::TrashResult::Trashed: ++report.trashed; break;
            case platform::TrashResult::NoTrash:
                if (!platform::deleteTree(f[1])) report.notDeleted.push_back(f[0]);
                break;
            case platform::TrashResult::Failed:
                if (platform::renameNoReplace(f[1], f[0]) == platform::RenameResult::Renamed)
                    report.notDeleted.push_back(f[0]);
                break;
            }
        }
    }
    for (const Record& record : records)
        if (record.kind == kClean) platform::removeEmptyTree(record.fields[0]);
    for (const Record& record : records)
        if (record.kind == kDelete && !platform::deleteTree(record.fields[0])) report.notDeleted.push_back(record.fields[0]);
    return report;
}

std::vector<RunJournal::Record> RunJournal::parse(std::string_view text) {
    std::vector<Record> records;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) break;  // cut short: its step never began
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        const std::size_t mark = line.rfind(" #");
        if (mark == std::string_view::npos || mark == 0) break;
        std::uint32_t stored = 0;
        const std::string_view hex = line.substr(mark + 2);
        const auto [p, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), stored, 16);
        if (ec != std::errc() || p != hex.data() + hex.size() || stored != checkSum(line.substr(0, mark))) break;

        Record record{line[0], {}};
        std::string_view rest = line.substr(1, mark - 1);
        bool good = true;
        while (!rest.empty() && good) {
            const std::size_t colon = rest.find(':');
            const auto length = colon == std::string_view::npos || rest[0] != ' '
                                    ? std::nullopt
                                    : number<std::size_t>(rest.substr(1, colon - 1));
            if (!length || rest.size() - colon - 1 < *length) {
                good = false;
                break;
            }
            record.fields.emplace_back(rest.substr(colon + 1, *length));
            rest.remove_prefix(colon + 1 + *length);
        }
        const auto expected = fieldCount(record.kind);
        if (!good || !expected || record.fields.size() != *expected) break;
        records.push_back(std::move(record));
    }
    return records;
}

InterruptedRun replayJournal(const std::string& programFolder) {
    using Record = RunJournal::Record;
    InterruptedRun run;
    const std::string path = joinPath(programFolder, kJournalFileName);
    if (!platform::exists(path)) return run;
    run.found = true;
    const auto bytes = platform::readFile(path, kMaxJournalBytes);
    const std::vector<Record> records =
        bytes ? RunJournal::parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()))
              : std::vector<Record>{};
    const bool begun = !records.empty() && records.front().kind == kBegin && records.front().fields[0] == kVersion;
    if (!begun) {
        // Nothing was changed before the first record reached the disk.
        ::unlink(path.c_str());
        syncFolder(programFolder);
        return run;
    }
    run.folderMode = records.front().fields[2] == "1";
    const long pid = number<long>(records.front().fields[1]).value_or(-1);

    // Committed once the index (or its copy, written first) holds the bytes
    // of a save the run announced; the latest such save wins.
    bool committed = false;
    for (const Record& r : records) {
        if (r.kind == kCommitted) committed = true;
        if (r.kind != kSaving) continue;
        const auto hash = number<std::uint64_t>(r.fields[0]);
        const std::string& index = r.fields[1];
        const std::string& copy = r.fields[2];
        if (!hash) continue;
        const bool inIndex = library::indexFileHash(index) == *hash;
        const bool inCopy = !copy.empty() && library::indexFileHash(copy) == *hash;
        if (!inIndex && !inCopy) continue;
        committed = true;
        run.sizesSaved = r.fields[3] == "1";
        // Stopped between the copy and the index: the index takes the copy.
        if (!inIndex) platform::copyFile(copy, index);
    }

    std::set<std::string> written;  // folders the stopped process wrote files in
    written.insert(programFolder);
    written.insert(joinPath(programFolder, "HTML"));
    for (const Record& r : records) {
        switch (r.kind) {
        case kFolder: written.insert(r.fields[0]); break;
        case kFile:
        case kAside:
        case kTrash: written.insert(std::string(parentPath(r.fields[0]))); break;
        case kRenamed: written.insert(r.fields[1]); break;
        case kBackup:
            written.insert(std::string(parentPath(r.fields[0])));
            if (platform::isDirectory(r.fields[0])) written.insert(r.fields[0]);
            break;
        case kSetting: run.settings.push_back(r.fields); break;
        case kSaving: written.insert(std::string(parentPath(r.fields[2]))); break;
        case kTouched:
            if (std::find(run.touched.begin(), run.touched.end(), r.fields[0]) == run.touched.end())
                run.touched.push_back(r.fields[0]);
            break;
        case kPages:
            if (const auto before = number<std::int32_t>(r.fields[1]))
                run.pageBytesBefore.emplace(r.fields[0], *before);
            break;
        default: break;
        }
    }

    // The stopped process's temporary files first: a folder to remove may hold one.
    if (pid > 0) {
        for (const std::string& folder : written)
            if (!folder.empty()) platform::removeTemporaryFiles(folder, pid, false);
        for (const std::string& library : run.touched) platform::removeTemporaryFiles(library, pid, true);
    }
    if (committed) {
        run.finished = true;
        // Marked committed for good before anything else changes: the finish
        // may save the index again, after which its bytes no longer tell.
        if (std::none_of(records.begin(), records.end(), [](const Record& r) { return r.kind == kCommitted; })) {
            RunJournal journal;
            if (journal.resume(path)) journal.committed();
        }
        run.sourcesKept = RunJournal::commit(records).sourcesKept;
    } else {
        run.notRestored = RunJournal::rollBack(records);
        run.settings.clear();
        run.touched.clear();
        run.pageBytesBefore.clear();
    }
    if (run.touched.empty()) endJournal(programFolder);
    return run;
}

void endJournal(const std::string& programFolder) {
    const std::string path = joinPath(programFolder, kJournalFileName);
    if (::unlink(path.c_str()) == 0) syncFolder(programFolder);
}

}  // namespace lumbrel::app
