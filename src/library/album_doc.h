#pragma once
// The document: every library record and every image record of the image
// library, in two lists ordered by path ignoring letter case, plus the month and
// image selections that the list pages query.

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_data.h"
#include "library/photo_data.h"

namespace lumbrel::library {

class CKDCardAlbumDoc {
public:
    using AlbumList = std::vector<std::unique_ptr<CAlbumData>>;
    using ImageList = std::vector<std::unique_ptr<CPhotoData>>;

    CKDCardAlbumDoc() = default;
    CKDCardAlbumDoc(CKDCardAlbumDoc&&) = default;
    CKDCardAlbumDoc& operator=(CKDCardAlbumDoc&&) = default;

    /// Inserts a copy before the first record whose folder path is greater (equal
    /// paths keep their order of arrival).
    void addLibrary(const CAlbumData& album);
    /// The same on the image list, by image path.
    void addImage(CPhotoData image);

    /// First library whose folder path equals folderPath ignoring case, or null.
    CAlbumData* findLibrary(std::string_view folderPath);
    const CAlbumData* findLibrary(std::string_view folderPath) const;
    /// Copies the first matching library into out; false (out untouched) when none.
    bool getLibrary(std::string_view folderPath, CAlbumData& out) const;
    /// First image whose path equals imagePath ignoring case, or null.
    CPhotoData* findImage(std::string_view imagePath);

    void removeLibraryAndImages(std::string_view folderPath);
    void removeLibrary(std::string_view folderPath);
    /// Removes every image whose path is folderPath + "/" + something.
    void removeImagesOfLibrary(std::string_view folderPath);
    void removeImage(std::string_view imagePath);

    /// Fills the month selection with the libraries of year "YYYY", month "MM".
    std::size_t selectMonth(std::string_view year, std::string_view month);
    /// Fills the image selection with the images of the library with this key.
    std::size_t selectImages(std::string_view key);
    /// What selectImages gives for each of keys (result i for keys[i]), found
    /// in one pass over the images instead of one pass per key.
    std::vector<std::vector<const CPhotoData*>> imagesOfKeys(std::span<const std::string> keys) const;
    /// The selections refer to records of the lists; any change to the lists
    /// leaves them stale until the next query.
    const std::vector<CAlbumData*>& monthSelection() const { return monthSelection_; }
    const std::vector<CPhotoData*>& imageSelection() const { return imageSelection_; }

    /// The lists. Records may be changed in place; whoever changes a folder or
    /// image path must call pathsChanged() afterwards.
    const AlbumList& albums() const { return albums_; }
    const ImageList& images() const { return images_; }
    AlbumList& albums() { return albums_; }
    ImageList& images() { return images_; }
    void pathsChanged();

    /// Takes over lists read from an index file, in file order.
    void adoptLists(AlbumList albums, ImageList images);
    void deleteContents();

    /// True once the document has been written to an index file. (Whether a
    /// run makes an index generation is decided by the index's bytes.)
    bool saved() const { return saved_; }
    void markSaved() { saved_ = true; }

private:
    AlbumList albums_;
    ImageList images_;
    std::vector<CPhotoData*> imageSelection_;
    std::vector<CAlbumData*> monthSelection_;
    // Whether each list is in order. Lists read from a file need not be; then
    // insertion and look-up fall back to a linear scan, which gives the same
    // answer as on an ordered list.
    bool albumsOrdered_ = true;
    bool imagesOrdered_ = true;
    bool saved_ = false;
};

}  // namespace lumbrel::library
