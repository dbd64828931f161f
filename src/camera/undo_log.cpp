#include "camera/undo_log.h"

#include "platform/files.h"

namespace lumbrel::camera {

bool UndoLog::makeFolder(const std::string& folder) {
    if (platform::isDirectory(folder)) return true;
    if (platform::exists(folder) || !platform::makeDirectory(folder)) return false;
    folders_.push_back(folder);
    return true;
}

void UndoLog::fileCreated(std::string path) { changes_.push_back({Kind::Created, std::move(path), {}}); }

void UndoLog::fileMoved(std::string from, std::string to) {
    changes_.push_back({Kind::Moved, std::move(from), std::move(to)});
}

void UndoLog::deleteOnCommit(std::string source) { sourcesToDelete_.push_back(std::move(source)); }

bool UndoLog::setAside(const std::string& path) {
    const std::string folder(platform::parentPath(path));
    const std::string name(platform::lastComponent(path));
    for (int n = 0; n < 1000; ++n) {
        const std::string aside = platform::joinPath(folder, "." + name + ".replaced-" + std::to_string(n));
        if (platform::exists(aside)) continue;
        if (platform::renameNoReplace(path, aside) != platform::RenameResult::Renamed) return false;
        changes_.push_back({Kind::SetAside, path, aside});
        return true;
    }
    return false;
}

std::size_t UndoLog::rollBack() {
    std::size_t notRestored = 0;
    for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
        switch (it->kind) {
        case Kind::Created:
            if (platform::exists(it->path)) platform::deleteFile(it->path);
            break;
        case Kind::Moved:
            // Renamed back on the same file system; should that fail the file
            // stays, complete, where the run put it.
            if (platform::renameNoReplace(it->other, it->path) != platform::RenameResult::Renamed) ++notRestored;
            break;
        case Kind::SetAside:
            if (platform::renameNoReplace(it->other, it->path) != platform::RenameResult::Renamed) ++notRestored;
            break;
        }
    }
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) platform::removeDirectory(*it);
    changes_.clear();
    folders_.clear();
    sourcesToDelete_.clear();
    return notRestored;
}

std::size_t UndoLog::commit() {
    std::size_t kept = 0;
    for (const std::string& source : sourcesToDelete_)
        if (!platform::deleteFile(source)) ++kept;
    for (const Change& change : changes_)
        if (change.kind == Kind::SetAside) platform::deleteFile(change.other);
    changes_.clear();
    folders_.clear();
    sourcesToDelete_.clear();
    return kept;
}

}  // namespace lumbrel::camera
