#include "library/index_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "platform/atomic_file.h"
#include "platform/files.h"

namespace lumbrel::library {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Reads up to n bytes, retrying after signals; -1 on error.
ssize_t readSome(int fd, std::uint8_t* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, p + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

class FileDescriptor {
public:
    explicit FileDescriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

class AtomicFileSink : public ByteSink {
public:
    explicit AtomicFileSink(platform::AtomicFile& file) : file_(file) {}
    bool write(std::span<const std::uint8_t> bytes) override { return file_.write(bytes); }

private:
    platform::AtomicFile& file_;
};

constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t hashOn(std::uint64_t hash, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * kFnvPrime;
    return hash;
}

std::string folderOf(const std::string& path) {
    const std::string folder(platform::parentPath(path));
    return folder.empty() ? (path.starts_with('/') ? "/" : ".") : folder;
}

// Whether the two paths name the same file: the same name in the same folder,
// however the folders are written.
bool sameFile(const std::string& a, const std::string& b) {
    if (platform::lastComponent(a) != platform::lastComponent(b)) return false;
    const auto folderA = platform::canonicalPath(folderOf(a));
    return folderA && folderA == platform::canonicalPath(folderOf(b));
}

}  // namespace

std::string generationFileName(int generation) { return "Lumbrel.kd" + std::to_string(generation); }

IndexReadResult openIndexFile(const std::string& path, CKDCardAlbumDoc& doc) {
    FileDescriptor fd(path);
    const auto size = platform::fileSize(path);
    if (fd.get() < 0 || !size) return {IndexError::CannotOpen, 0};
    IndexParser parser(*size);
    std::vector<std::uint8_t> buf(std::max<std::size_t>(kChunk, 64));
    std::size_t have = 0;  // unparsed bytes at the front of buf
    for (;;) {
        if (have == buf.size()) buf.resize(buf.size() * 2);  // one entry larger than the buffer
        const ssize_t got = readSome(fd.get(), buf.data() + have, buf.size() - have);
        if (got < 0) return {IndexError::CannotOpen, 0};
        have += static_cast<std::size_t>(got);
        const bool atEnd = have < buf.size();
        std::size_t consumed = 0;
        switch (parser.parse(std::span(buf.data(), have), atEnd, consumed)) {
        case IndexParser::Status::Done:
            parser.finish(doc);
            return parser.result();
        case IndexParser::Status::Failed:
            return parser.result();
        case IndexParser::Status::NeedMore:
            std::memmove(buf.data(), buf.data() + consumed, have - consumed);
            have -= consumed;
            break;
        }
    }
}

bool saveIndexFile(CKDCardAlbumDoc& doc, const std::string& path) {
    platform::AtomicFile file(path);
    if (!file.ok()) return false;
    AtomicFileSink sink(file);
    return writeIndex(doc, sink) && file.commit();
}

std::vector<std::uint8_t> serializeIndex(CKDCardAlbumDoc& doc) { return indexBytes(doc); }

std::uint64_t indexHash(std::span<const std::uint8_t> bytes) {
    return hashOn(kFnvOffset, bytes);
}

std::optional<std::uint64_t> indexFileHash(const std::string& path) {
    FileDescriptor fd(path);
    if (fd.get() < 0) return std::nullopt;
    std::vector<std::uint8_t> buf(kChunk);
    std::uint64_t hash = kFnvOffset;
    for (;;) {
        const ssize_t got = readSome(fd.get(), buf.data(), buf.size());
        if (got < 0) return std::nullopt;  // a folder, or a read error
        hash = hashOn(hash, std::span(buf.data(), static_cast<std::size_t>(got)));
        if (static_cast<std::size_t>(got) < buf.size()) return hash;
    }
}

bool writeIndexBytes(std::span<const std::uint8_t> bytes, const std::string& indexPath,
                     const std::string& saveCopyPath) {
    bool wroteCopy = false;
    if (!saveCopyPath.empty() && !sameFile(indexPath, saveCopyPath) && platform::isDirectory(folderOf(saveCopyPath))) {
        wroteCopy = platform::writeFileAtomic(saveCopyPath, bytes);
        if (!wroteCopy) platform::deleteFile(saveCopyPath);  // a copy left behind would win at the next start-up
    }
    if (platform::writeFileAtomic(indexPath, bytes)) return true;
    if (wroteCopy) platform::deleteFile(saveCopyPath);  // no copy may name what the index does not
    return false;
}

bool saveIndexWithCopy(CKDCardAlbumDoc& doc, const std::string& indexPath, const std::string& saveCopyPath) {
    return writeIndexBytes(serializeIndex(doc), indexPath, saveCopyPath);
}

int compareIndexCopies(const std::string& first, const std::string& second) {
    const int missing = (platform::exists(first) ? 0 : 1) + (platform::exists(second) ? 0 : 2);
    if (missing != 0) return missing;
    const auto size1 = platform::fileSize(first);
    const auto size2 = platform::fileSize(second);
    if (size1 && size2 && *size1 != *size2) return 0;

    FileDescriptor a(first), b(second);
    int unreadable = (a.get() < 0 ? 1 : 0) + (b.get() < 0 ? 2 : 0);
    std::vector<std::uint8_t> bufA(kChunk), bufB(kChunk);
    while (unreadable == 0) {
        const ssize_t gotA = readSome(a.get(), bufA.data(), kChunk);
        const ssize_t gotB = readSome(b.get(), bufB.data(), kChunk);
        unreadable = (gotA < 0 ? 1 : 0) + (gotB < 0 ? 2 : 0);
        if (unreadable != 0) break;
        if (gotA != gotB || std::memcmp(bufA.data(), bufB.data(), static_cast<std::size_t>(gotA)) != 0) return 0;
        if (gotA == 0) return 8;
    }
    return 3 + unreadable;
}

Conversion convertOlderLayout(std::span<const std::uint8_t> in) {
    using Status = Conversion::Status;
    constexpr std::string_view kAlbumClass = "CAlbumData";
    constexpr std::string_view kPhotoClass = "CPhotoData";
    constexpr std::string_view kNoMail = "Email software is not assigned";
    // The mail programs an older version could have stored, in the order they are tried.
    constexpr std::array<std::string_view, 6> kMailNames = {
        kNoMail, "Outlook Express", "Outlook", "Eudora", "AL-Mail", "Becky! Internet Mail"};

    if (in.size() >= 26 && std::memcmp(in.data() + 19, "LM200", 5) == 0) return {Status::Current, {}};

    Conversion result{Status::Converted, std::vector<std::uint8_t>(kConversionSize, 0)};
    std::vector<std::uint8_t>& out = result.bytes;
    std::size_t i = 0, o = 0;
    const Conversion refused{Status::Refused, {}};
    auto has = [&](std::size_t n) { return in.size() - i >= n; };
    auto at = [&](std::size_t offset, std::string_view text) {
        return in.size() >= i + offset + text.size() &&
               std::memcmp(in.data() + i + offset, text.data(), text.size()) == 0;
    };
    auto emit = [&](const void* p, std::size_t n) {
        if (n == 0) return true;  // p may be null for an empty input
        if (kConversionSize - o < n) return false;
        std::memcpy(out.data() + o, p, n);
        o += n;
        return true;
    };
    auto copy = [&](std::size_t n) {
        if (!has(n) || !emit(in.data() + i, n)) return false;
        i += n;
        return true;
    };
    auto emitI32 = [&](std::int32_t v) {
        const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        return emit(b, 4);
    };
    auto emitText = [&](std::string_view t) {
        const std::uint8_t length = static_cast<std::uint8_t>(t.size());
        return emit(&length, 1) && emit(t.data(), t.size());
    };

    // Everything up to and including the first library class name stays as it is.
    const auto found = std::search(in.begin(), in.end(), kAlbumClass.begin(), kAlbumClass.end());
    if (found == in.end()) return copy(in.size()) ? result : refused;
    if (!copy(static_cast<std::size_t>(found - in.begin()) + kAlbumClass.size())) return refused;

    while (i < in.size()) {
        // The image list's count, then its class header: the libraries are done.
        if (at(6, kPhotoClass)) return copy(in.size() - i) ? result : refused;

        if (!emitText("LM200")) return refused;
        // Title, folder path, index page path and template: one-byte lengths only.
        for (int text = 0; text < 4; ++text) {
            if (!has(1) || in[i] == 0xFF || !copy(1 + std::size_t{in[i]})) return refused;
        }
        if (!copy(12)) return refused;  // total size, image count, shortcut flag
        if (!emitI32(1) || !emitI32(0) || !emitText(kNoMail)) return refused;

        // Skip two numbers and the old mail software, which must be a known name.
        if (!has(9)) return refused;
        const std::size_t length = in[i + 8];
        const bool known = std::any_of(kMailNames.begin(), kMailNames.end(), [&](std::string_view name) {
            return name.size() == length && at(9, name);
        });
        if (!known) return refused;
        i += 9 + length;

        // The next library's class tag, or the image list's count.
        if (!copy(std::min<std::size_t>(2, in.size() - i))) return refused;
    }
    return result;
}

ConvertFileResult convertOlderIndexFile(const std::string& path) {
    const auto bytes = platform::readFile(path);
    if (!bytes) return ConvertFileResult::NotOpened;
    const Conversion conversion = convertOlderLayout(*bytes);
    switch (conversion.status) {
    case Conversion::Status::Current: return ConvertFileResult::Current;
    case Conversion::Status::Refused: return ConvertFileResult::Refused;
    case Conversion::Status::Converted: break;
    }
    return platform::writeFileAtomic(path, conversion.bytes) ? ConvertFileResult::Converted
                                                              : ConvertFileResult::WriteFailed;
}

void keepGeneration(const std::string& programFolder) {
    auto inFolder = [&](int g) { return platform::joinPath(programFolder, generationFileName(g)); };
    const std::string index = platform::joinPath(programFolder, kIndexFileName);
    if (!platform::isFile(index) || compareIndexCopies(index, inFolder(1)) == 8) return;

    // Only the generations before the first gap move: after a shift cut short,
    // the gap is where it stopped.
    int gap = 1;
    while (gap < kGenerationCount && platform::exists(inFolder(gap))) ++gap;
    std::vector<std::string> moved;
    for (int g = gap; g >= 2; --g) {
        // A failed rename stops here: going on would overwrite a generation not yet moved.
        if (!platform::moveFile(inFolder(g - 1), inFolder(g))) return;
        moved.push_back(inFolder(g));
    }
    if (!moved.empty()) platform::flushFiles(moved);  // the renames are on the disk before generation 1 is replaced
    platform::copyFile(index, inFolder(1));
}

}  // namespace lumbrel::library
