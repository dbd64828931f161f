// Feeds arbitrary bytes to the index reader and checks what must hold for any
// input, valid or not:
//   - no crash, leak or undefined behaviour (the sanitizers stop the run);
//   - reading in windows, as openIndexFile does, gives the same result, fault
//     offset and records as reading the whole input at once;
//   - a failed read leaves the document empty;
//   - an index that reads writes out again, and the written bytes read back to
//     the same records and write out byte for byte the same;
//   - the older-layout converter's output is always exactly kConversionSize bytes.
// The first input byte also chooses where the windows split, so the fuzzer
// moves the split points together with the data.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "library/album_doc.h"
#include "library/index_file.h"
#include "library/index_format.h"

namespace {

using namespace lumbrel::library;
using Bytes = std::span<const std::uint8_t>;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "index_reader_fuzz: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

bool sameResult(const IndexReadResult& a, const IndexReadResult& b) {
    return a.error == b.error && a.offset == b.offset;
}

bool sameDocument(const CKDCardAlbumDoc& a, const CKDCardAlbumDoc& b) {
    if (a.albums().size() != b.albums().size() || a.images().size() != b.images().size()) return false;
    for (std::size_t i = 0; i < a.albums().size(); ++i)
        if (!a.albums()[i]->sameFields(*b.albums()[i])) return false;
    for (std::size_t i = 0; i < a.images().size(); ++i)
        if (!(*a.images()[i] == *b.images()[i])) return false;
    return true;
}

bool isEmpty(const CKDCardAlbumDoc& doc) { return doc.albums().empty() && doc.images().empty(); }

// Two windows: bytes up to split with more to come, then the unused rest and
// everything after it as the end of the stream.
IndexReadResult readInTwo(Bytes input, std::size_t split, CKDCardAlbumDoc& doc) {
    IndexParser parser(input.size());
    std::size_t consumed = 0;
    IndexParser::Status status = parser.parse(input.first(split), false, consumed);
    check(consumed <= split, "the parser consumed more than its window");
    if (status == IndexParser::Status::NeedMore) {
        const std::vector<std::uint8_t> rest(input.begin() + static_cast<std::ptrdiff_t>(consumed), input.end());
        status = parser.parse(rest, true, consumed);
        check(status != IndexParser::Status::NeedMore, "the parser asked for more at the end of the data");
    }
    if (status == IndexParser::Status::Done) parser.finish(doc);
    return parser.result();
}

// The loop of openIndexFile with a small buffer: reads fill the buffer behind
// the unused bytes, a short read marks the end, and the buffer doubles when one
// entry does not fit in it.
IndexReadResult readInWindows(Bytes input, std::size_t bufferSize, CKDCardAlbumDoc& doc) {
    IndexParser parser(input.size());
    std::vector<std::uint8_t> buf(bufferSize);
    std::size_t have = 0, next = 0;
    for (;;) {
        if (have == buf.size()) buf.resize(buf.size() * 2);
        const std::size_t got = std::min(buf.size() - have, input.size() - next);
        if (got > 0) std::memcpy(buf.data() + have, input.data() + next, got);
        next += got;
        have += got;
        const bool atEnd = have < buf.size();
        std::size_t consumed = 0;
        switch (parser.parse(std::span(buf.data(), have), atEnd, consumed)) {
        case IndexParser::Status::Done:
            parser.finish(doc);
            return parser.result();
        case IndexParser::Status::Failed:
            return parser.result();
        case IndexParser::Status::NeedMore:
            check(!atEnd, "the parser asked for more at the end of the data");
            check(consumed <= have, "the parser consumed more than its window");
            std::memmove(buf.data(), buf.data() + consumed, have - consumed);
            have -= consumed;
            break;
        }
    }
}

void checkRoundTrip(CKDCardAlbumDoc& doc) {
    const std::vector<std::uint8_t> first = indexBytes(doc);
    CKDCardAlbumDoc again;
    check(readIndex(first, again).ok(), "written index does not read back");
    check(sameDocument(doc, again), "written index reads back to different records");
    check(indexBytes(again) == first, "writing the read-back index gives different bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An empty index file reads into an empty vector, whose data() is null: pass
    // empty input the same way.
    const Bytes input = size > 0 ? Bytes(data, size) : Bytes();
    const unsigned selector = size > 0 ? data[0] : 0;

    CKDCardAlbumDoc whole;
    const IndexReadResult wholeResult = readIndex(input, whole);
    check(wholeResult.ok() || isEmpty(whole), "a failed read changed the document");

    CKDCardAlbumDoc two;
    const std::size_t split = selector * (size + 1) / 256;
    check(sameResult(readInTwo(input, split, two), wholeResult), "two windows: a different result");
    check(sameDocument(two, whole), "two windows: different records");

    CKDCardAlbumDoc windows;
    check(sameResult(readInWindows(input, 1 + (selector & 15), windows), wholeResult),
          "small windows: a different result");
    check(sameDocument(windows, whole), "small windows: different records");

    if (wholeResult.ok()) checkRoundTrip(whole);

    const Conversion conversion = convertOlderLayout(input);
    if (conversion.status == Conversion::Status::Converted)
        check(conversion.bytes.size() == kConversionSize, "converted index of the wrong size");
    return 0;
}
