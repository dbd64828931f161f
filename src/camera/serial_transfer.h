#pragma once
// Loading the pictures and movies of a camera on a serial line. The files are
// received into a folder of the program folder (app::kReceivedFolder, laid
// out like a card: DCIM/<camera folder>/<file>), each dated as the camera
// recorded it, and then handed to the loading pipeline, which places them
// exactly as it places the files of a card (libraries by recording date, or
// one new library with a subfolder per camera folder), moving them out of the
// receiving folder. So the library, the index and the site change only in the
// pipeline's run, which is all or nothing and survives a kill.
//
// A link error or Cancel during reception ends the link, shows the error's
// message (none for Cancel) and removes every file received: nothing is
// loaded. The camera's own files are never changed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/image_loader.h"
#include "camera/serial_camera.h"
#include "camera/serial_date.h"

namespace lumbrel::camera {

struct SerialTransferContext {
    LoaderContext& loader;       ///< settings, document, prompts and pages of the pipeline
    SerialCamera& camera;
    TransferProgress& progress;  ///< the reception's progress window
    Day today = localToday();    ///< dates movies and undated pictures
};

class SerialTransfer {
public:
    explicit SerialTransfer(SerialTransferContext& context) : c_(context) {}
    SerialTransfer(const SerialTransfer&) = delete;
    SerialTransfer& operator=(const SerialTransfer&) = delete;

    /// The camera's folders for the folder choice: identify, battery check,
    /// wait until ready, "DCIM", battery check, folder list. beforeStep is
    /// called before each step. On an error the link is ended and the code
    /// returned (the caller shows its message). On success the link stays
    /// up for loadFolder.
    static int queryFolders(SerialCamera& camera, std::vector<std::string>& folders,
                            const std::function<void()>& beforeStep = {});

    /// Receives and loads every picture and movie of every camera folder.
    LoadResult loadAll();
    /// Receives and loads the pictures and movies of one camera folder; the
    /// link is up (queryFolders left it so).
    LoadResult loadFolder(const std::string& folder);

    /// The pipeline's report of the load (empty when reception failed).
    const LoadReport& report() const { return report_; }
    /// The link's result code of a failed or cancelled reception; 0 otherwise.
    int linkError() const { return linkError_; }

private:
    struct CameraFolder {
        std::string name;
        std::vector<std::string> files;
    };

    /// Asks the load date in folder mode; false on Cancel.
    bool askKey(bool offerUnassigned);
    /// Receives the files of folders into the receiving folder; the status
    /// line of each file comes from statusLine(folder, k, total).
    int receive(const std::vector<CameraFolder>& folders, bool batch);
    /// Dates a received file (its last-write time) for the pipeline.
    void dateReceived(const std::string& path, const std::string& name) const;
    /// Ends the link after a failed or cancelled step (unless it has ended
    /// already) and removes what came in.
    LoadResult failed(int code, bool linkEnded = false);
    LoadResult place(const std::string& titleShown, std::string_view caption);
    std::string receivingFolder() const;

    SerialTransferContext& c_;
    bool folderMode_ = false;
    std::optional<std::string> key_;
    int linkError_ = 0;
    bool progressOpen_ = false;
    LoadReport report_;
};

/// The status lines of the progress window: "<folder>(k/N)" for one folder,
/// "<folder> is under transfer.(k/N)" for a batch.
std::string folderStatusLine(const std::string& folder, std::size_t k, std::size_t total);
std::string batchStatusLine(const std::string& folder, std::size_t k, std::size_t total);

}  // namespace lumbrel::camera
