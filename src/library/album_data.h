#pragma once
// The library record: one per library (album) folder.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::library {

/// Version tag written with every library record.
inline constexpr std::string_view kAlbumVersionTag = "LM200";

struct CAlbumData {
    std::int32_t printButton = 0;      ///< PrintButton when made: 0 = pages carry a Print button
    std::int32_t attachmentSize = 0;   ///< TempSize: 0 = 640x480, 1 = 320x240 for mailed images
    std::string mailSoftware;          ///< MailName when made
    std::string templateName;          ///< template type title + "," + colour pattern name
    std::string title;                 ///< entered by the user; empty when none
    std::string folderPath;            ///< library folder; its last component is the library key
    std::string indexPagePath;         ///< folderPath + "/INDEX.HTM"
    std::int32_t totalSize = 0;        ///< bytes of the library's files
    std::int32_t imageCount = 0;
    std::int32_t shortcutFlag = 0;     ///< 1: the library holds links to images elsewhere
    /// One byte per image, owned by the Delete page while it runs. Never stored,
    /// and never copied: a copy of a record starts without marks.
    std::vector<std::uint8_t> deleteMarks;
    std::string versionTag;            ///< set to "LM200" just before every write

    CAlbumData() = default;
    CAlbumData(const CAlbumData& other) { copyFields(other); }
    CAlbumData& operator=(const CAlbumData& other) {
        if (this != &other) { copyFields(other); deleteMarks.clear(); }
        return *this;
    }
    CAlbumData(CAlbumData&&) = default;
    CAlbumData& operator=(CAlbumData&&) = default;

    /// The library key: the last component of the folder path.
    std::string_view key() const;

    /// Equal in every stored field (deleteMarks is not stored).
    bool sameFields(const CAlbumData& other) const;

private:
    void copyFields(const CAlbumData& o) {
        printButton = o.printButton;
        attachmentSize = o.attachmentSize;
        mailSoftware = o.mailSoftware;
        templateName = o.templateName;
        title = o.title;
        folderPath = o.folderPath;
        indexPagePath = o.indexPagePath;
        totalSize = o.totalSize;
        imageCount = o.imageCount;
        shortcutFlag = o.shortcutFlag;
        versionTag = o.versionTag;
    }
};

}  // namespace lumbrel::library
