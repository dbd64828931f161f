// The transfer's camera over the serial link.

#include "camera/camera_link.h"
#include "camera/serial_camera.h"
#include "platform/utf8.h"

namespace lumbrel::camera {
namespace {

/// The link's progress owner, passed through to the transfer's window.
class ProgressBridge final : public LinkProgress {
public:
    explicit ProgressBridge(TransferProgress& window) : window_(window) {}
    void progress(int percent) override { window_.percent(percent); }
    bool cancelled() override { return window_.cancelled(); }

private:
    TransferProgress& window_;
};

}  // namespace

int LinkCamera::identify() { return code(link_.identify()); }
int LinkCamera::batteryCheck() { return code(link_.batteryCheck()); }
int LinkCamera::waitReady() { return code(link_.waitUntilReady()); }
int LinkCamera::changeDirectory(const std::string& name) { return code(link_.changeDirectory(name)); }

int LinkCamera::listFolders(std::vector<std::string>& folders, TransferProgress* progress) {
    if (!progress) return code(link_.listFolders(folders));
    ProgressBridge bridge(*progress);
    return code(link_.listFolders(folders, &bridge));
}

int LinkCamera::listFiles(std::vector<std::string>& files, TransferProgress* progress) {
    if (!progress) return code(link_.listFiles(files));
    ProgressBridge bridge(*progress);
    return code(link_.listFiles(files, &bridge));
}

int LinkCamera::download(const std::string& name, const std::string& folder, TransferProgress& progress) {
    link_.setMovie(platform::endsWithNoCase(name, "AVI"));
    ProgressBridge bridge(progress);
    return code(link_.downloadFile(name, folder, &bridge));
}

void LinkCamera::endLink() { link_.endLink(); }

}  // namespace lumbrel::camera
