#pragma once
// What a transfer asks of a camera on a serial line, and what it shows while
// files come in. The camera link implements the first, the front ends (the
// progress dialog, the terminal) the second; tests script both.

#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::camera {

/// The progress window of a serial transfer: a caption, a line of text, the
/// status line naming the file (folder and k/N), a bar over the bytes of the
/// file coming in, and Cancel.
class TransferProgress {
public:
    virtual ~TransferProgress() = default;
    virtual void open(std::string_view caption, std::string_view text) = 0;
    virtual void status(std::string_view line) = 0;
    /// Percent of the current file received; 0 before each file.
    virtual void percent(int value) = 0;
    /// True once the user has pressed Cancel; asked between blocks.
    virtual bool cancelled() = 0;
    virtual void close() = 0;
};

/// The camera's side of a transfer. Every call returns the link's result
/// code (LinkError): 0 success, 13 cancelled by the user, others failures.
class SerialCamera {
public:
    virtual ~SerialCamera() = default;
    /// Opens the port and recognises the camera.
    virtual int identify() = 0;
    virtual int batteryCheck() = 0;
    /// Waits until the camera is ready for the next command.
    virtual int waitReady() = 0;
    virtual int changeDirectory(const std::string& name) = 0;
    /// The DCF folders of the current directory.
    virtual int listFolders(std::vector<std::string>& folders, TransferProgress* progress) = 0;
    /// The pictures and movies of the current directory.
    virtual int listFiles(std::vector<std::string>& files, TransferProgress* progress) = 0;
    /// Receives name from the current directory into folder/name.
    virtual int download(const std::string& name, const std::string& folder, TransferProgress& progress) = 0;
    /// Ends the link ("QR"); the camera goes back to its own menu.
    virtual void endLink() = 0;
};

/// A camera on a CameraLink.
class CameraLink;
class LinkCamera final : public SerialCamera {
public:
    explicit LinkCamera(CameraLink& link) : link_(link) {}
    int identify() override;
    int batteryCheck() override;
    int waitReady() override;
    int changeDirectory(const std::string& name) override;
    int listFolders(std::vector<std::string>& folders, TransferProgress* progress) override;
    int listFiles(std::vector<std::string>& files, TransferProgress* progress) override;
    /// Gives a movie ("AVI") the long first answer time.
    int download(const std::string& name, const std::string& folder, TransferProgress& progress) override;
    void endLink() override;

private:
    CameraLink& link_;
};

}  // namespace lumbrel::camera
