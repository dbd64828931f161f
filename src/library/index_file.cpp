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

void makeGenerations(const std::string& programFolder, const std::string& saveFolder) {
    auto inFolder = [&](const std::string& name) { return platform::joinPath(programFolder, name); };
    for (int g = kGenerationCount - 1; g >= 1; --g) {
        const std::string from = inFolder(generationFileName(g));
        if (platform::exists(from)) platform::copyFile(from, inFolder(generationFileName(g + 1)));
    }
    const std::string index = inFolder(std::string(kIndexFileName));
    if (!platform::exists(index)) return;
    platform::copyFile(index, inFolder(generationFileName(1)));
    platform::copyFile(index, platform::joinPath(saveFolder, kIndexFileName));
}

}  // namespace lumbrel::library
