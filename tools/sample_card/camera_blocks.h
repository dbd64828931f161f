#pragma once
// The camera's information blocks written into APP1: the Exif block (a TIFF
// structure in either byte order) and the maker's own "KDCI" block.

#include <cstdint>
#include <string>

#include "jpeg_encode.h"

namespace lumbrel::samplecard {

enum class ByteOrder { Intel, Motorola };  ///< TIFF "II" (little-endian) or "MM" (big-endian)

struct ExifFields {
    ByteOrder order = ByteOrder::Intel;
    std::string make = "Orrin";
    std::string model;
    int orientation = 1;        ///< Exif Orientation (1, 3, 6, 8)
    std::string dateTime;       ///< "YYYY:MM:DD HH:MM:SS"
    int width = 0, height = 0;  ///< PixelXDimension / PixelYDimension
    bool dimensionsAsShort = false;
    std::uint32_t pictureNumber = 0;
    Bytes thumbnail{};          ///< JPEG thumbnail for IFD1; empty = no IFD1
};

/// The APP1 payload "Exif\0\0" + TIFF header, IFD0, Exif IFD (with a MakerNote
/// holding a small directory of the camera's own), optional IFD1 and thumbnail.
Bytes exifPayload(const ExifFields& fields);

struct KdciFields {
    std::string model;
    std::string firmware;
    std::string dateTime;             ///< "YYYY:MM:DD HH:MM:SS"
    int orientationCode = 0;          ///< 0 upright, 1 quarter counter-clockwise, 2 half, 3 quarter clockwise
    std::uint32_t pictureNumber = 0;
};

/// The APP1 payload of the "KDCI" block: "KDCI\0", zero bytes up to block
/// offset 14, the big-endian entry count, 16-byte directory entries (tag,
/// data size, 12 reserved bytes), then the data areas in entry order. Entry 2
/// holds the picture number, entry 1 zero-terminated items (0x01 model,
/// 0x02 firmware, 0x03 date), entry 16 the orientation code in the high four
/// bits of its second byte.
Bytes kdciPayload(const KdciFields& fields);

}  // namespace lumbrel::samplecard
