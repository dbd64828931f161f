#pragma once
// The index file on disk: opening and saving it, the comparison of the index
// with its save-folder copy, the conversion of the older layout, and the backup
// generations.

#include <cstdint>
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

/// Shifts the generations in programFolder (4 to 5, ..., 1 to 2), copies the
/// index file to generation 1 and to saveFolder. Copy failures are ignored:
/// these are housekeeping copies.
void makeGenerations(const std::string& programFolder, const std::string& saveFolder);

}  // namespace lumbrel::library
