#include "library/index_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lumbrel::library {

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigTag = 0x7FFF;         // a 32-bit tag follows
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint32_t kBigClassTagBit = 0x80000000;
constexpr std::string_view kAlbumClass = "CAlbumData";
constexpr std::string_view kPhotoClass = "CPhotoData";
// Smallest entries of a class already seen: tag, empty texts, 32-bit fields.
constexpr std::uint64_t kMinAlbumBytes = 2 + 6 + 5 * 4;
constexpr std::uint64_t kMinPhotoBytes = 2 + 7 + 2 * 4;
// Keeps a hostile count from reserving memory up front beyond this many records.
constexpr std::uint64_t kMaxReserve = 1u << 20;

}  // namespace

std::string_view describe(IndexError error) {
    switch (error) {
    case IndexError::None: return "no error";
    case IndexError::Truncated: return "the data ends early";
    case IndexError::UnknownClass: return "unknown record class";
    case IndexError::BadSchema: return "unknown record schema";
    case IndexError::WrongClass: return "a record of the wrong class in a list";
    case IndexError::NullObject: return "an empty record entry";
    case IndexError::BackReference: return "a record entry that refers back to another";
    case IndexError::BadClassTag: return "a class tag that names no class";
    case IndexError::WideText: return "a text in two-byte characters";
    case IndexError::TooLarge: return "more records than the file can hold";
    case IndexError::CannotOpen: return "the file cannot be opened";
    }
    return "unknown error";
}

// A bounded reader over the current window. Every read checks the bytes left;
// running out sets `short_` and the entry is parsed again once more data is there.
struct IndexParser::Cursor {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
    bool short_ = false;

    bool have(std::uint64_t n) {
        if (bytes.size() - pos >= n) return true;
        short_ = true;
        return false;
    }
    bool u16(std::uint16_t& v) {
        if (!have(2)) return false;
        v = static_cast<std::uint16_t>(bytes[pos] | bytes[pos + 1] << 8);
        pos += 2;
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (!have(4)) return false;
        v = static_cast<std::uint32_t>(bytes[pos]) | static_cast<std::uint32_t>(bytes[pos + 1]) << 8 |
            static_cast<std::uint32_t>(bytes[pos + 2]) << 16 | static_cast<std::uint32_t>(bytes[pos + 3]) << 24;
        pos += 4;
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u;
        if (!u32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool chars(std::uint64_t n, std::string_view& out) {
        if (!have(n)) return false;
        out = std::string_view(reinterpret_cast<const char*>(bytes.data() + pos), static_cast<std::size_t>(n));
        pos += static_cast<std::size_t>(n);
        return true;
    }
};

bool IndexParser::readObjectHeader(Cursor& c, Kind expected) {
    const std::size_t tagPos = c.pos;
    auto fail = [&](IndexError e) {
        result_ = {e, base_ + tagPos};
        return false;
    };
    std::uint16_t tag;
    if (!c.u16(tag)) return false;
    std::uint64_t classNumber;
    if (tag == kNewClassTag) {
        std::uint16_t schema, nameLength;
        std::string_view name;
        if (!c.u16(schema) || !c.u16(nameLength) || !c.chars(nameLength, name)) return false;
        Kind kind;
        if (name == kAlbumClass) kind = Kind::Album;
        else if (name == kPhotoClass) kind = Kind::Photo;
        else return fail(IndexError::UnknownClass);
        if (schema != 0) return fail(IndexError::BadSchema);
        classes_.push_back({counter_, kind});
        classNumber = counter_++;
    } else {
        if (tag == 0) return fail(IndexError::NullObject);
        if (tag == kBigTag) {
            std::uint32_t big;
            if (!c.u32(big)) return false;
            if (!(big & kBigClassTagBit)) return fail(IndexError::BackReference);
            classNumber = big & ~kBigClassTagBit;
        } else if (tag & kClassTagBit) {
            classNumber = tag & ~kClassTagBit;
        } else {
            return fail(IndexError::BackReference);
        }
    }
    const auto known = std::find_if(classes_.begin(), classes_.end(),
                                    [&](const ClassEntry& e) { return e.number == classNumber; });
    if (known == classes_.end()) return fail(IndexError::BadClassTag);
    if (known->kind != expected) return fail(IndexError::WrongClass);
    ++counter_;  // the object's own number
    return true;
}

void IndexParser::reserveFor(std::uint64_t count, std::uint64_t minEntryBytes, bool albums) {
    std::uint64_t n = std::min(count, kMaxReserve);
    if (sizeHint_ > 0) n = std::min(n, sizeHint_ / minEntryBytes);
    if (albums) albums_.reserve(static_cast<std::size_t>(n));
    else images_.reserve(static_cast<std::size_t>(n));
}

// Parses one count or one entry. False when it could not (short data or a fault).
bool IndexParser::parseOne(Cursor& c) {
    auto readCount = [&](std::uint64_t& count) {
        std::uint16_t small;
        if (!c.u16(small)) return false;
        if (small != 0xFFFF) {
            count = small;
            return true;
        }
        std::uint32_t big;
        if (!c.u32(big)) return false;
        count = big;
        return true;
    };
    auto readText = [&](std::string_view& out) {
        const std::size_t at = c.pos;
        std::uint8_t small;
        if (!c.have(1)) return false;
        small = c.bytes[c.pos++];
        if (small != 0xFF) return c.chars(small, out);
        std::uint16_t middle;
        if (!c.u16(middle)) return false;
        if (middle == 0xFFFE) {
            result_ = {IndexError::WideText, base_ + at};
            return false;
        }
        if (middle != 0xFFFF) return c.chars(middle, out);
        std::uint32_t big;
        if (!c.u32(big)) return false;
        return c.chars(big, out);
    };

    switch (stage_) {
    case Stage::AlbumCount:
    case Stage::ImageCount: {
        std::uint64_t count;
        if (!readCount(count)) return false;
        const bool albums = stage_ == Stage::AlbumCount;
        const std::uint64_t minBytes = albums ? kMinAlbumBytes : kMinPhotoBytes;
        if (sizeHint_ > 0 && count > sizeHint_ / minBytes + 1) {
            result_ = {IndexError::TooLarge, base_ + c.pos};
            return false;
        }
        reserveFor(count, minBytes, albums);
        remaining_ = count;
        stage_ = albums ? Stage::Albums : Stage::Images;
        break;
    }
    case Stage::Albums: {
        if (!readObjectHeader(c, Kind::Album)) return false;
        auto album = std::make_unique<CAlbumData>();
        std::array<std::string_view, 6> t;
        if (!readText(t[0]) || !readText(t[1]) || !readText(t[2]) || !readText(t[3]) || !readText(t[4]) ||
            !c.i32(album->totalSize) || !c.i32(album->imageCount) || !c.i32(album->shortcutFlag) ||
            !c.i32(album->printButton) || !c.i32(album->attachmentSize) || !readText(t[5]))
            return false;
        album->versionTag = t[0];
        album->title = t[1];
        album->folderPath = t[2];
        album->indexPagePath = t[3];
        album->templateName = t[4];
        album->mailSoftware = t[5];
        albums_.push_back(std::move(album));
        --remaining_;
        break;
    }
    case Stage::Images: {
        if (!readObjectHeader(c, Kind::Photo)) return false;
        CPhotoData::Texts t;
        std::int32_t size, flag;
        for (auto& text : t)
            if (!readText(text)) return false;
        if (!c.i32(size) || !c.i32(flag)) return false;
        images_.push_back(std::make_unique<CPhotoData>(t, size, flag));
        --remaining_;
        break;
    }
    case Stage::Done: break;
    }
    if (stage_ == Stage::Albums && remaining_ == 0) stage_ = Stage::ImageCount;
    if (stage_ == Stage::Images && remaining_ == 0) stage_ = Stage::Done;
    return true;
}

IndexParser::Status IndexParser::parse(std::span<const std::uint8_t> window, bool atEnd, std::size_t& consumed) {
    consumed = 0;
    if (!result_.ok()) return Status::Failed;
    Cursor c{window};
    while (stage_ != Stage::Done) {
        const std::size_t entryStart = c.pos;
        const std::uint64_t counterAtStart = counter_;
        const std::size_t classesAtStart = classes_.size();
        if (parseOne(c)) continue;
        if (!result_.ok()) return Status::Failed;
        // Short data: the entry starts again in the next window, numbered as before.
        c.pos = entryStart;
        counter_ = counterAtStart;
        classes_.resize(classesAtStart);
        if (atEnd) {
            result_ = {IndexError::Truncated, base_ + window.size()};
            return Status::Failed;
        }
        consumed = entryStart;
        base_ += entryStart;
        return Status::NeedMore;
    }
    consumed = c.pos;
    base_ += c.pos;
    return Status::Done;
}

void IndexParser::finish(CKDCardAlbumDoc& doc) { doc.adoptLists(std::move(albums_), std::move(images_)); }

IndexReadResult readIndex(std::span<const std::uint8_t> bytes, CKDCardAlbumDoc& doc) {
    IndexParser parser(bytes.size());
    std::size_t consumed;
    if (parser.parse(bytes, true, consumed) == IndexParser::Status::Done) parser.finish(doc);
    return parser.result();
}

namespace {

// Collects output and hands it to the sink in large pieces.
class Writer {
public:
    explicit Writer(ByteSink& sink) : sink_(sink), buf_(kBufferSize) {}

    void u16(std::uint32_t v) {
        const std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        put(b, 2);
    }
    void u32(std::uint32_t v) {
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        put(b, 4);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void count(std::size_t n) {
        if (n < 0xFFFF) return u16(static_cast<std::uint32_t>(n));
        u16(0xFFFF);
        u32(static_cast<std::uint32_t>(n));
    }
    void text(std::string_view s) {
        if (s.size() < 0xFF) {
            const std::uint8_t b = static_cast<std::uint8_t>(s.size());
            put(&b, 1);
        } else if (s.size() < 0xFFFE) {
            const std::uint8_t b = 0xFF;
            put(&b, 1);
            u16(static_cast<std::uint32_t>(s.size()));
        } else {
            const std::uint8_t b = 0xFF;
            put(&b, 1);
            u16(0xFFFF);
            u32(static_cast<std::uint32_t>(s.size()));
        }
        put(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    }
    // The entry header: the class on first use, else a tag naming its number.
    void objectHeader(std::uint64_t& classNumber, std::string_view className) {
        if (classNumber == 0) {
            u16(kNewClassTag);
            u16(0);
            u16(static_cast<std::uint32_t>(className.size()));
            put(reinterpret_cast<const std::uint8_t*>(className.data()), className.size());
            classNumber = counter_++;
        } else if (classNumber < kBigTag) {
            u16(kClassTagBit | static_cast<std::uint32_t>(classNumber));
        } else {
            u16(kBigTag);
            u32(kBigClassTagBit | static_cast<std::uint32_t>(classNumber));
        }
        ++counter_;
    }
    bool finish() {
        flush();
        return ok_;
    }

private:
    static constexpr std::size_t kBufferSize = 256 * 1024;

    void put(const std::uint8_t* p, std::size_t n) {
        if (n == 0) return;
        if (n > buf_.size() - used_) {
            flush();
            if (n > buf_.size()) {  // a text larger than the buffer goes straight through
                if (ok_) ok_ = sink_.write(std::span(p, n));
                return;
            }
        }
        std::memcpy(buf_.data() + used_, p, n);
        used_ += n;
    }
    void flush() {
        if (ok_ && used_ > 0) ok_ = sink_.write(std::span(buf_.data(), used_));
        used_ = 0;
    }

    ByteSink& sink_;
    std::vector<std::uint8_t> buf_;
    std::size_t used_ = 0;
    std::uint64_t counter_ = 1;
    bool ok_ = true;
};

class VectorSink : public ByteSink {
public:
    bool write(std::span<const std::uint8_t> bytes) override {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return true;
    }
    std::vector<std::uint8_t> out;
};

}  // namespace

bool writeIndex(CKDCardAlbumDoc& doc, ByteSink& sink) {
    doc.markSaved();
    Writer w(sink);
    std::uint64_t albumClass = 0, photoClass = 0;
    w.count(doc.albums().size());
    for (const auto& album : doc.albums()) {
        album->versionTag = kAlbumVersionTag;
        w.objectHeader(albumClass, kAlbumClass);
        w.text(album->versionTag);
        w.text(album->title);
        w.text(album->folderPath);
        w.text(album->indexPagePath);
        w.text(album->templateName);
        w.i32(album->totalSize);
        w.i32(album->imageCount);
        w.i32(album->shortcutFlag);
        w.i32(album->printButton);
        w.i32(album->attachmentSize);
        w.text(album->mailSoftware);
    }
    w.count(doc.images().size());
    for (const auto& image : doc.images()) {
        w.objectHeader(photoClass, kPhotoClass);
        for (std::string_view t : image->texts()) w.text(t);
        w.i32(image->fileSize());
        w.i32(image->flag());
    }
    return w.finish();
}

std::vector<std::uint8_t> indexBytes(CKDCardAlbumDoc& doc) {
    VectorSink sink;
    writeIndex(doc, sink);
    return std::move(sink.out);
}

}  // namespace lumbrel::library
