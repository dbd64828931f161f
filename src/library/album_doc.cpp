#include "library/album_doc.h"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

#include "library/library_key.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::library {

namespace {

using platform::compareNoCase;
using platform::equalNoCase;

std::string_view pathOf(const CAlbumData& a) { return a.folderPath; }
std::string_view pathOf(const CPhotoData& p) { return p.imagePath(); }

template <class List>
bool isOrdered(const List& list) {
    for (std::size_t i = 1; i < list.size(); ++i)
        if (compareNoCase(pathOf(*list[i - 1]), pathOf(*list[i])) > 0) return false;
    return true;
}

// Before the first record whose path is greater than path.
template <class List>
typename List::iterator insertPosition(List& list, std::string_view path, bool ordered) {
    if (ordered)
        return std::upper_bound(list.begin(), list.end(), path, [](std::string_view p, const auto& r) {
            return compareNoCase(p, pathOf(*r)) < 0;
        });
    return std::find_if(list.begin(), list.end(),
                        [&](const auto& r) { return compareNoCase(pathOf(*r), path) > 0; });
}

// The first record whose path equals path, or end.
template <class List>
typename List::iterator findPosition(List& list, std::string_view path, bool ordered) {
    if (ordered) {
        auto it = std::lower_bound(list.begin(), list.end(), path, [](const auto& r, std::string_view p) {
            return compareNoCase(pathOf(*r), p) < 0;
        });
        return it != list.end() && equalNoCase(pathOf(**it), path) ? it : list.end();
    }
    return std::find_if(list.begin(), list.end(), [&](const auto& r) { return equalNoCase(pathOf(*r), path); });
}

}  // namespace

void CKDCardAlbumDoc::addLibrary(const CAlbumData& album) {
    albums_.insert(insertPosition(albums_, album.folderPath, albumsOrdered_),
                   std::make_unique<CAlbumData>(album));
}

void CKDCardAlbumDoc::addImage(CPhotoData image) {
    auto at = insertPosition(images_, image.imagePath(), imagesOrdered_);
    images_.insert(at, std::make_unique<CPhotoData>(std::move(image)));
}

CAlbumData* CKDCardAlbumDoc::findLibrary(std::string_view folderPath) {
    auto it = findPosition(albums_, folderPath, albumsOrdered_);
    return it == albums_.end() ? nullptr : it->get();
}

const CAlbumData* CKDCardAlbumDoc::findLibrary(std::string_view folderPath) const {
    return const_cast<CKDCardAlbumDoc*>(this)->findLibrary(folderPath);
}

bool CKDCardAlbumDoc::getLibrary(std::string_view folderPath, CAlbumData& out) const {
    const CAlbumData* found = findLibrary(folderPath);
    if (!found) return false;
    out = *found;
    return true;
}

CPhotoData* CKDCardAlbumDoc::findImage(std::string_view imagePath) {
    auto it = findPosition(images_, imagePath, imagesOrdered_);
    return it == images_.end() ? nullptr : it->get();
}

void CKDCardAlbumDoc::removeLibraryAndImages(std::string_view folderPath) {
    removeImagesOfLibrary(folderPath);
    removeLibrary(folderPath);
}

void CKDCardAlbumDoc::removeLibrary(std::string_view folderPath) {
    auto it = findPosition(albums_, folderPath, albumsOrdered_);
    if (it == albums_.end()) return;
    monthSelection_.clear();  // it may refer to the record going away
    albums_.erase(it);
}

void CKDCardAlbumDoc::removeImagesOfLibrary(std::string_view folderPath) {
    imageSelection_.clear();
    std::erase_if(images_, [&](const auto& image) {
        const std::string_view path = image->imagePath();
        return path.size() > folderPath.size() && path[folderPath.size()] == platform::kSeparator &&
               equalNoCase(path.substr(0, folderPath.size()), folderPath);
    });
}

void CKDCardAlbumDoc::removeImage(std::string_view imagePath) {
    auto it = findPosition(images_, imagePath, imagesOrdered_);
    if (it == images_.end()) return;
    imageSelection_.clear();
    images_.erase(it);
}

std::size_t CKDCardAlbumDoc::selectMonth(std::string_view year, std::string_view month) {
    monthSelection_.clear();
    const std::string target = std::string(year) + std::string(month);
    for (const auto& album : albums_)
        if (equalNoCase(keyMonth(album->key()), target)) monthSelection_.push_back(album.get());
    return monthSelection_.size();
}

namespace {

// A key of the subfolder form ("YYYYMMDD_n") or of twelve characters selects
// every image whose path holds it anywhere; any other key selects the images
// that lie directly in a folder of that name.
bool selectsBySubstring(std::string_view key) {
    return key.find('_') != std::string_view::npos || key.size() == 12;
}

// Folder form: the image's folder is named key, and the folder above it is
// not itself a library of the subfolder form.
bool inLibraryFolder(std::string_view imagePath, std::string_view key) {
    const std::string_view folder = platform::parentPath(imagePath);
    const std::string_view parent = platform::lastComponent(platform::parentPath(folder));
    return equalNoCase(platform::lastComponent(folder), key) && parent.find('_') == std::string_view::npos &&
           parent.size() != 12;
}

}  // namespace

std::size_t CKDCardAlbumDoc::selectImages(std::string_view key) {
    imageSelection_.clear();
    const bool bySubstring = selectsBySubstring(key);
    for (const auto& image : images_) {
        const std::string_view path = image->imagePath();
        if (bySubstring ? path.find(key) != std::string_view::npos : inLibraryFolder(path, key))
            imageSelection_.push_back(image.get());
    }
    return imageSelection_.size();
}

std::vector<std::vector<const CPhotoData*>> CKDCardAlbumDoc::imagesOfKeys(std::span<const std::string> keys) const {
    std::vector<std::vector<const CPhotoData*>> result(keys.size());
    // Folder-form keys by folder name (letter case folded); substring keys by
    // their exact bytes, grouped by length so that each path is probed once
    // per length at every offset.
    std::unordered_map<std::u32string, std::vector<std::size_t>> byFolder;
    std::map<std::size_t, std::unordered_map<std::string_view, std::vector<std::size_t>>> bySubstring;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (selectsBySubstring(keys[i]))
            bySubstring[keys[i].size()][keys[i]].push_back(i);
        else
            byFolder[platform::foldedText(keys[i])].push_back(i);
    }
    std::vector<const CPhotoData*> lastAdded(keys.size(), nullptr);
    auto add = [&](std::size_t k, const CPhotoData* image) {
        if (lastAdded[k] == image) return;  // a key found twice in one path
        lastAdded[k] = image;
        result[k].push_back(image);
    };
    for (const auto& image : images_) {
        const std::string_view path = image->imagePath();
        if (!byFolder.empty()) {
            const auto found = byFolder.find(platform::foldedText(platform::lastComponent(platform::parentPath(path))));
            if (found != byFolder.end())
                for (std::size_t k : found->second)
                    if (inLibraryFolder(path, keys[k])) add(k, image.get());
        }
        for (const auto& [length, byText] : bySubstring)
            for (std::size_t at = 0; at + length <= path.size(); ++at) {
                const auto found = byText.find(path.substr(at, length));
                if (found != byText.end())
                    for (std::size_t k : found->second) add(k, image.get());
            }
    }
    return result;
}

void CKDCardAlbumDoc::pathsChanged() {
    albumsOrdered_ = isOrdered(albums_);
    imagesOrdered_ = isOrdered(images_);
    monthSelection_.clear();
    imageSelection_.clear();
}

void CKDCardAlbumDoc::adoptLists(AlbumList albums, ImageList images) {
    albums_ = std::move(albums);
    images_ = std::move(images);
    pathsChanged();
}

void CKDCardAlbumDoc::deleteContents() {
    albums_.clear();
    images_.clear();
    pathsChanged();
}

}  // namespace lumbrel::library
