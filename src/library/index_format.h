#pragma once
// The byte layout of the library index: an archive stream holding the album
// list and then the image list, each as a count followed by object entries.
// All integers are little-endian.
//
//   count    u16, or FFFF followed by a u32 when the count is 0xFFFF or more
//   entry    FFFF, u16 schema 0, u16 name length, class name   (first object of a class)
//            8000 + class number, or 7FFF then u32 80000000 + number  (a class seen before)
//            followed by the record's fields
//   text     u8 length below 255; FF + u16 length up to 0xFFFD; FF FFFF + u32 length
//   album    version tag "LM200", title, folder path, index page path, template (texts),
//            total size, image count, shortcut flag, print button, attachment size
//            (i32), mail software (text)
//   image    image path, year, month, day, hour, minute, second (texts), file size, flag (i32)
//
// One counter, starting at 1, numbers every class and object in order of first
// appearance; class tags refer to those numbers. Bytes after the image list are
// ignored. A "no object" entry or a back reference is never written, and reading
// one makes the file unreadable, so no list can hold a missing or shared record.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "library/album_doc.h"

namespace lumbrel::library {

enum class IndexError {
    None,
    Truncated,       ///< the data ends inside the lists
    UnknownClass,    ///< a class name other than "CAlbumData" and "CPhotoData"
    BadSchema,       ///< a class schema other than 0
    WrongClass,      ///< an image record in the album list or the other way round
    NullObject,      ///< a "no object" entry in a list
    BackReference,   ///< an entry that refers to an object read before
    BadClassTag,     ///< a class tag that names no class read so far
    WideText,        ///< a text marked as two-byte characters, which this program never writes
    TooLarge,        ///< more entries than the file could ever hold
    CannotOpen,      ///< the file cannot be opened or read
};

/// A short English description, for messages that name the file.
std::string_view describe(IndexError error);

struct IndexReadResult {
    IndexError error = IndexError::None;
    std::uint64_t offset = 0;  ///< where the fault was found, from the start of the file
    bool ok() const { return error == IndexError::None; }
};

/// Reads the lists entry by entry from a window of the stream that the caller
/// moves along, so a large file need not be held whole in memory.
class IndexParser {
public:
    enum class Status { NeedMore, Done, Failed };

    /// sizeHint: total length of the stream when known (caps what a count may reserve).
    explicit IndexParser(std::uint64_t sizeHint = 0) : sizeHint_(sizeHint) {}

    /// Parses every whole entry in window; consumed tells how many bytes of it
    /// were used. NeedMore: call again with the unused rest followed by more
    /// data. atEnd: nothing follows window, so data ending early is a fault.
    Status parse(std::span<const std::uint8_t> window, bool atEnd, std::size_t& consumed);

    IndexReadResult result() const { return result_; }
    /// Moves the lists read into doc (after Done), in file order.
    void finish(CKDCardAlbumDoc& doc);

private:
    enum class Stage { AlbumCount, Albums, ImageCount, Images, Done };
    enum class Kind : std::uint8_t { Album, Photo };
    struct ClassEntry {
        std::uint64_t number;
        Kind kind;
    };
    struct Cursor;

    bool parseOne(Cursor& c);
    bool readObjectHeader(Cursor& c, Kind expected);
    void reserveFor(std::uint64_t count, std::uint64_t minEntryBytes, bool albums);

    std::uint64_t sizeHint_;
    std::uint64_t base_ = 0;     // stream offset of the current window
    std::uint64_t counter_ = 1;  // the next class or object number
    std::uint64_t remaining_ = 0;
    Stage stage_ = Stage::AlbumCount;
    std::vector<ClassEntry> classes_;
    IndexReadResult result_;
    CKDCardAlbumDoc::AlbumList albums_;
    CKDCardAlbumDoc::ImageList images_;
};

/// Reads a whole index held in memory into doc. On failure doc is unchanged.
IndexReadResult readIndex(std::span<const std::uint8_t> bytes, CKDCardAlbumDoc& doc);

/// Where the writer sends its bytes.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
};

/// Writes the document to sink. Sets every album's version tag to "LM200" and
/// marks the document saved. False when the sink fails.
bool writeIndex(CKDCardAlbumDoc& doc, ByteSink& sink);

/// The bytes writeIndex produces.
std::vector<std::uint8_t> indexBytes(CKDCardAlbumDoc& doc);

}  // namespace lumbrel::library
