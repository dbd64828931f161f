#include "camera/serial_transfer.h"

#include "app/application.h"
#include "app/strings.h"
#include "camera/camera_link.h"
#include "camera/recording_time.h"
#include "platform/files.h"

namespace lumbrel::camera {
namespace {

using platform::joinPath;

constexpr int kCancelled = 13;

/// The pipeline's questions, with the answers the transfer has already: the
/// load date was asked before anything was received, a picture without an
/// embedded date is dated by the day it came in, and the title dialog names
/// the camera folder.
class ReceivedFilesPrompt final : public LoaderPrompt {
public:
    ReceivedFilesPrompt(LoaderPrompt& user, std::optional<std::string> key, std::string titleShown)
        : user_(user), key_(std::move(key)), titleShown_(std::move(titleShown)) {}

    std::optional<std::string> askLoadDate(std::string_view folderShown, bool offerUnassigned) override {
        return key_ ? key_ : user_.askLoadDate(folderShown, offerUnassigned);
    }
    UndatedChoice askUndated() override { return UndatedChoice::FileDate; }
    std::optional<std::string> askTitle(std::string_view) override { return user_.askTitle(titleShown_); }
    void showMessage(int stringId, std::string_view text) override { user_.showMessage(stringId, text); }

private:
    LoaderPrompt& user_;
    std::optional<std::string> key_;
    std::string titleShown_;
};

std::string countPiece(std::size_t k, std::size_t total) {
    return "(" + std::to_string(k) + "/" + std::to_string(total) + ")";
}

}  // namespace

std::string folderStatusLine(const std::string& folder, std::size_t k, std::size_t total) {
    return folder + countPiece(k, total);
}

std::string batchStatusLine(const std::string& folder, std::size_t k, std::size_t total) {
    return folder + std::string(app::text(app::kStrUnderTransfer)) + countPiece(k, total);
}

int SerialTransfer::queryFolders(SerialCamera& camera, std::vector<std::string>& folders,
                                 const std::function<void()>& beforeStep) {
    folders.clear();
    const std::function<int()> steps[] = {
        [&] { return camera.identify(); },
        [&] { return camera.batteryCheck(); },
        [&] { return camera.waitReady(); },
        [&] { return camera.changeDirectory("DCIM"); },
        [&] { return camera.batteryCheck(); },
        [&] { return camera.listFolders(folders, nullptr); },
    };
    for (const auto& step : steps) {
        if (beforeStep) beforeStep();
        if (const int code = step()) {
            camera.endLink();
            folders.clear();
            return code;
        }
    }
    return 0;
}

std::string SerialTransfer::receivingFolder() const {
    return joinPath(c_.loader.settings.programFolder(), app::kReceivedFolder);
}

bool SerialTransfer::askKey(bool offerUnassigned) {
    folderMode_ = c_.loader.settings.get(app::setting::Classitication) == 1;
    key_.reset();
    if (!folderMode_) return true;
    key_ = c_.loader.prompt.askLoadDate({}, offerUnassigned);
    return key_.has_value();
}

LoadResult SerialTransfer::loadAll() {
    if (!askKey(true)) return LoadResult::Cancelled;
    platform::deleteTree(receivingFolder());  // left by a transfer that was stopped

    SerialCamera& camera = c_.camera;
    std::vector<std::string> names;
    if (const int code = queryFolders(camera, names)) return failed(code, true);
    std::vector<CameraFolder> folders;
    std::size_t total = 0;
    for (const std::string& name : names) {
        CameraFolder folder{name, {}};
        int code = camera.batteryCheck();
        if (!code) code = camera.changeDirectory(name);
        if (!code) code = camera.listFiles(folder.files, nullptr);
        if (code) return failed(code);
        total += folder.files.size();
        folders.push_back(std::move(folder));
    }
    if (const int code = camera.waitReady()) return failed(code);
    if (total == 0) {
        camera.endLink();
        c_.loader.prompt.showMessage(app::kMsgNoImagesFound, app::text(app::kMsgNoImagesFound));
        return LoadResult::NothingToLoad;
    }
    c_.progress.open(app::text(app::kStrBatchCaption), app::text(app::kStrTransferring));
    progressOpen_ = true;
    if (const int code = receive(folders, true)) return failed(code);
    return place("DCIM\\", app::text(app::kStrBatchCaption));
}

LoadResult SerialTransfer::loadFolder(const std::string& name) {
    SerialCamera& camera = c_.camera;
    if (!askKey(false)) {
        camera.endLink();
        return LoadResult::Cancelled;
    }
    platform::deleteTree(receivingFolder());
    CameraFolder folder{name, {}};
    int code = camera.changeDirectory(name);
    if (!code) code = camera.listFiles(folder.files, nullptr);
    if (code) return failed(code);
    if (folder.files.empty()) {
        camera.endLink();
        c_.loader.prompt.showMessage(app::kMsgFolderWithoutImages, app::text(app::kMsgFolderWithoutImages));
        return LoadResult::NothingToLoad;
    }
    c_.progress.open(app::text(app::kStrFolderCaption), app::text(app::kStrTransferring));
    progressOpen_ = true;
    if (const int receivedCode = receive({folder}, false)) return failed(receivedCode);
    return place("DCIM\\" + name, app::text(app::kStrFolderCaption));
}

int SerialTransfer::receive(const std::vector<CameraFolder>& folders, bool batch) {
    SerialCamera& camera = c_.camera;
    std::size_t total = 0, k = 0;
    for (const auto& folder : folders) total += folder.files.size();
    for (const auto& folder : folders) {
        if (folder.files.empty()) continue;
        const std::string target = joinPath(joinPath(receivingFolder(), "DCIM"), folder.name);
        if (!platform::makeDirectories(target)) return 2;
        if (batch) {
            int code = camera.batteryCheck();
            if (!code) code = camera.changeDirectory(folder.name);
            if (code) return code;
        }
        for (const std::string& file : folder.files) {
            ++k;
            c_.progress.status(batch ? batchStatusLine(folder.name, k, total) : folderStatusLine(folder.name, k, total));
            if (const int code = camera.batteryCheck()) return code;
            c_.progress.percent(0);
            if (const int code = camera.download(file, target, c_.progress)) return code;
            dateReceived(joinPath(target, file), file);
        }
        if (batch)
            if (const int code = camera.waitReady()) return code;
    }
    camera.endLink();
    c_.progress.close();
    progressOpen_ = false;
    return 0;
}

void SerialTransfer::dateReceived(const std::string& path, const std::string& name) const {
    if (!folderMode_) {
        if (const ReceivedDate date = receivedDate(path, name, c_.today); date.time)
            setLocalFileTime(path, *date.time);
        return;
    }
    // One library for the whole transfer: a file without an embedded date is
    // dated by the load date, at 01:00:00, unless that date has no day.
    if (const auto embedded = embeddedDate(path)) {
        setLocalFileTime(path, *embedded);
    } else if (key_ && !key_->ends_with("00")) {
        setLocalFileTime(path, *key_ + "010000");
    }
}

LoadResult SerialTransfer::failed(int code, bool linkEnded) {
    linkError_ = code;
    if (!linkEnded && code != kCancelled) c_.camera.endLink();  // a cancelled reception has ended it
    if (progressOpen_) {
        c_.progress.close();
        progressOpen_ = false;
    }
    if (const int message = linkErrorStringId(static_cast<LinkError>(code))) c_.loader.prompt.showMessage(message, app::text(message));
    platform::deleteTree(receivingFolder());
    return code == kCancelled ? LoadResult::Cancelled : LoadResult::Failed;
}

LoadResult SerialTransfer::place(const std::string& titleShown, std::string_view caption) {
    ReceivedFilesPrompt prompt(c_.loader.prompt, key_, titleShown);
    LoaderContext context{c_.loader.settings, c_.loader.doc,       prompt,
                          c_.loader.progress, c_.loader.indexPath, c_.loader.site,
                          c_.loader.wait,     c_.loader.opener,    TransferMode::Move,
                          c_.loader.atCommit};
    ImageLoader loader(context);
    const LoadResult result = loader.loadCamera({joinPath(receivingFolder(), "DCIM")}, caption);
    report_ = loader.report();
    // What the pipeline did not take (or took back) came from the camera,
    // which still holds it.
    platform::deleteTree(receivingFolder());
    return result;
}

}  // namespace lumbrel::camera
