#pragma once
// The index file on disk: opening and saving it, the comparison of the index
// with its save-folder copy, the conversion of the older layout, and the backup
// generations.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_doc.h"
#include "library/index_format.h"

namespace lumbrel::library {

inline constexpr std::string_view kIndexFileName = "Lumbrel.kds";
inline constexpr int kGenerationCount = 5;
/// "Lumbrel.kd1" ... "Lumbrel.kd5"; 1 is the newest.
std::string generationFileName(int generation);

/// Reads the index file into doc, streaming it in pieces. On failure doc is
/// unchanged and the result says what was wrong and where.
IndexReadResult openIndexFile(const std::string& path, CKDCardAlbumDoc& doc);

/// Writes the whole document to path through a temporary file that replaces the
/// old one only when complete. Marks the document saved. False when the file
/// cannot be written; the old file then stays as it was.
bool saveIndexFile(CKDCardAlbumDoc& doc, const std::string& path);

/// The bytes saveIndexFile writes for doc. Marks the document saved, as a save does.
std::vector<std::uint8_t> serializeIndex(CKDCardAlbumDoc& doc);

/// 64-bit FNV-1a of bytes: tells whether an index file changed during a run.
std::uint64_t indexHash(std::span<const std::uint8_t> bytes);
/// indexHash of the file at path, read in pieces; nullopt when it cannot be read.
std::optional<std::uint64_t> indexFileHash(const std::string& path);

/// Writes bytes to the save-folder copy and then to the index, each through a
/// temporary file renamed into place. The copy goes first: a run killed between
/// the two leaves a copy newer than the index, which the next start-up takes;
/// the other order would leave a stale copy that wins at the next start-up.
/// A copy that cannot be written is removed (an old copy must not outlive the
/// index it no longer matches); when the index cannot be written, the copy just
/// written is removed too and the result is false. An empty saveCopyPath, or one
/// naming the index itself, writes the index only; a save folder that does not
/// exist is not created (the copy is skipped).
bool writeIndexBytes(std::span<const std::uint8_t> bytes, const std::string& indexPath,
                     const std::string& saveCopyPath);
/// serializeIndex + writeIndexBytes.
bool saveIndexWithCopy(CKDCardAlbumDoc& doc, const std::string& indexPath, const std::string& saveCopyPath);

/// Compares the index file (first) with its save-folder copy (second):
///   1, 2, 3  the first, the second or both do not exist
///   0        they differ (in size or in a byte)
///   4, 5, 6  the first, the second or both exist but cannot be read
///   7        no memory for the comparison (never happens: the files are compared
///            in pieces)
///   8        they are equal
int compareIndexCopies(const std::string& first, const std::string& second);

/// Size of the converter's output, and of the file it writes.
inline constexpr std::size_t kConversionSize = 1'000'000;

struct Conversion {
    enum class Status {
        Current,    ///< already of the current layout: nothing to do
        Converted,  ///< bytes holds the converted index, zero-padded to kConversionSize
        Refused,    ///< an older layout this converter cannot convert safely: left alone
    };
    Status status = Status::Current;
    std::vector<std::uint8_t> bytes;
};

/// Converts an index of the older layout, whose library records have no version
/// tag and carry two further numbers and the mail software, to the current
/// layout: each library record gets the tag "LM200", print button 1, attachment
/// size 0 and mail software "Email software is not assigned".
Conversion convertOlderLayout(std::span<const std::uint8_t> in);

enum class ConvertFileResult { NotOpened, Current, Converted, Refused, WriteFailed };
/// Converts the file at path in place when it is of the older layout.
ConvertFileResult convertOlderIndexFile(const std::string& path);

/// Keeps the index file of programFolder as generation 1 unless it is missing or
/// equal to generation 1: the generations hold the last five different indexes.
/// The older ones move down by renames, each atomic, from the first missing
/// generation up (5 when none is missing, which drops the oldest), so a shift cut
/// short resumes where it stopped without losing one; then the index is copied
/// to generation 1 through a temporary file. Failures are ignored: this is
/// housekeeping.
void keepGeneration(const std::string& programFolder);

}  // namespace lumbrel::library
