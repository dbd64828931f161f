#pragma once
// Recording stand-ins for the parts of the program that start-up calls on, and
// small helpers to lay out a program folder.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/busy_flag.h"
#include "app/services.h"
#include "library/album_doc.h"
#include "library/index_file.h"
#include "support/temp_dir.h"

namespace lumbrel::app::test {

class FakeSite : public SitePages {
public:
    bool removePass(const std::vector<std::string>& keys) override {
        calls.push_back("remove");
        removed = keys;
        return true;
    }
    bool addPass(const std::vector<std::string>& keys) override {
        calls.push_back("add");
        added = keys;
        return true;
    }
    bool writeNewSite() override {
        calls.push_back("newSite");
        return true;
    }
    std::vector<std::string> calls;
    std::vector<std::string> removed, added;
};

class FakeTemplates : public TemplateFinder {
public:
    std::optional<TemplateChoice> firstTemplate(const std::string& pluginsFolder) override {
        folders.push_back(pluginsFolder);
        return choice;
    }
    std::optional<TemplateChoice> choice;
    std::vector<std::string> folders;
};

class FakeLoader : public AutomaticLoader {
public:
    bool load(const std::string& requestFile) override {
        requests.push_back(requestFile);
        busyDuringLoad = isBusy();
        return succeed;
    }
    bool succeed = true;
    bool busyDuringLoad = false;
    std::vector<std::string> requests;
};

class FakeWait : public WaitWindow {
public:
    void show(std::string_view title, std::string_view line1, std::string_view line2) override {
        calls.push_back("show:" + std::string(title) + "|" + std::string(line1) + "|" + std::string(line2));
    }
    void close() override { calls.push_back("close"); }
    std::vector<std::string> calls;
};

/// An instance name no other test, in this run or another, uses at the same time.
inline std::string uniqueInstanceName() {
    static std::atomic<int> counter{0};
    return "lumbrel-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

inline library::CAlbumData makeAlbum(const std::string& folder, const std::string& title = "Trip") {
    library::CAlbumData a;
    a.title = title;
    a.folderPath = folder;
    a.indexPagePath = folder + "/INDEX.HTM";
    a.templateName = "Standard,Green/Gray";
    a.mailSoftware = "Email software is not assigned";
    a.totalSize = 4096;
    a.imageCount = 1;
    return a;
}

inline library::CPhotoData makeImage(const std::string& path, std::int32_t size = 1000) {
    library::CPhotoData p;
    p.setImagePath(path);
    p.setRecordingDate("20240101123000");
    p.setFileSize(size);
    return p;
}

/// Writes doc as an index file, creating the folder it goes in.
inline void writeIndexFile(library::CKDCardAlbumDoc& doc, const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(library::saveIndexFile(doc, path)) << path;
}

/// Two libraries with one image each, all stored under /old/Image Library; the
/// title goes to the second library only.
inline library::CKDCardAlbumDoc movedLibrary(const std::string& title = "Trip") {
    library::CKDCardAlbumDoc doc;
    doc.addLibrary(makeAlbum("/old/Image Library/20240102_1", title));
    doc.addLibrary(makeAlbum("/old/Image Library/20240101", "Home"));
    doc.addImage(makeImage("/old/Image Library/20240101/IMG_0001.JPG"));
    doc.addImage(makeImage("/old/Image Library/20240102_1/IMG_0002.JPG"));
    return doc;
}

}  // namespace lumbrel::app::test
