#pragma once
// A library on disk for the list page tests: a program folder with an image
// library root, library folders holding picture files and their previews
// (real JPEGs, so that the preview box can show them), the records in a
// document, and the maintenance context the pages' commands run in.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "camera/loader_prompt.h"
#include "library/album_doc.h"
#include "maintenance/maintenance_context.h"
#include "media/imaging.h"
#include "platform/profile.h"
#include "support/temp_dir.h"
#include "ui/library_commands.h"

namespace lumbrel::test {

/// A small JPEG of one colour.
inline std::vector<std::uint8_t> solidJpeg(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    media::Image image;
    image.width = 32;
    image.height = 24;
    for (int i = 0; i < image.width * image.height; ++i) image.rgb.insert(image.rgb.end(), {red, green, blue});
    return media::encodeJpeg(image).value_or(std::vector<std::uint8_t>{});
}

/// Answers every question as set; counts what was asked.
class ScriptedMaintenancePrompt : public maintenance::MaintenancePrompt {
public:
    bool confirmAnswer = true;
    maintenance::DeleteAnswer deleteAnswer = maintenance::DeleteAnswer::Yes;
    int confirmations = 0;
    int errors = 0;
    bool confirm(maintenance::Confirmation) override {
        ++confirmations;
        return confirmAnswer;
    }
    maintenance::DeleteAnswer askDeleteLibrary(maintenance::LibraryKind, std::string_view) override {
        return deleteAnswer;
    }
    bool askDeleteReadOnly(const std::string&, const std::string&) override { return true; }
    void showError(int, std::string_view) override { ++errors; }
};

class SilentProgress : public camera::Progress {
public:
    void begin(std::string_view, std::string_view, std::size_t) override {}
    void step(std::size_t) override {}
    bool cancelled() override { return false; }
};

class LibraryFixture {
public:
    LibraryFixture()
        : profile_(dir_ / "Lumbrel.conf"),
          settings(profile_, dir_.path()),
          commands(maintenance::MaintenanceContext{settings, doc, prompt, progress, dir_.path(),
                                                   dir_ / "Lumbrel.kds", nullptr, nullptr}) {
        // What a command deletes goes to a trash of the test's own.
        ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    }
    ~LibraryFixture() { ::unsetenv("XDG_DATA_HOME"); }

    /// Adds the library key with pictures files (JPG), each with a preview,
    /// and a record of bytes stored bytes. Returns its folder.
    std::string addLibrary(const std::string& key, const std::string& title, int pictures,
                           std::int32_t bytes = 1000) {
        const std::string folder = settings.saveFolder() + "/" + key;
        for (int i = 1; i <= pictures; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "P%04d.JPG", i);
            writeText(folder + "/" + name, "picture");
            writeBytes(folder + "/PREVIEW/" + name,
                       solidJpeg(static_cast<std::uint8_t>(40 * i), 90, static_cast<std::uint8_t>(200 - 30 * i)));
        }
        if (pictures == 0) std::filesystem::create_directories(folder);
        library::CAlbumData album;
        album.folderPath = folder;
        album.indexPagePath = folder + "/INDEX.HTM";
        album.title = title;
        album.imageCount = pictures;
        album.totalSize = bytes;
        album.templateName = "Type 1,Blue/white";
        doc.addLibrary(album);
        return folder;
    }

    const std::string& path() const { return dir_.path(); }

private:
    TempDir dir_;
    platform::Profile profile_;

public:
    app::Settings settings;
    library::CKDCardAlbumDoc doc;
    ScriptedMaintenancePrompt prompt;
    SilentProgress progress;
    ui::LibraryCommands commands;
};

}  // namespace lumbrel::test
