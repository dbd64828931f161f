#pragma once
// Library keys: the names of library folders, which order and identify libraries.
//
//   YYYYMMDD       sorted by recording date
//   YYYYMM00       a month entered by hand without a day
//   key_n          the n-th library made for a date when sorting by date of loading
//   YYMMDD, YYMMDDhhmmss   made by older versions: read, listed and selected, never made

#include <string>
#include <string_view>

namespace lumbrel::library {

class CKDCardAlbumDoc;

/// Century of a legacy two-digit year: "19" for "95" to "99", else "20".
std::string_view centuryOf(std::string_view twoDigitYear);

/// The key displayed as a date: "2001/04/15", "2001/04 _1", "1999/01/01 12:30".
std::string keyToText(std::string_view key);

/// The key reduced to YYYYMM for the month query.
std::string keyMonth(std::string_view key);

/// True for keys whose images lie one level down in subfolders: keys with "_"
/// and legacy 12-character keys.
bool isSubfolderKey(std::string_view key);

/// A key that no library of the document has yet: base + "_" + (largest n in use
/// for base, plus one), or base + "_1". Looks at the index only, never at the disk.
std::string uniqueKey(std::string_view base, const CKDCardAlbumDoc& doc);

}  // namespace lumbrel::library
