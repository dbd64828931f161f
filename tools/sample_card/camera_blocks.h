#pragma once
// The camera's information blocks written into APP1: the Exif block (a TIFF
// structure in either byte order) and the maker's own "KDCI" block.

#include <cstdint>
#include <string>

#include "jpeg_encode.h"

namespace lumbrel::samplecard {

enum class ByteOrder { Intel, Motorola };  ///< TIFF "II" (little-endian) or "MM" (big-endian)

/// How the camera took a picture: what its Exif fields and its maker settings
/// record. Times and apertures are whole APEX values of the marked series.
struct Shot {
    int tv = 7;               ///< shutter: 1/2^tv s (7 = 1/125 s), 0 to 10
    int av = 4;               ///< aperture: F sqrt(2)^av (4 = F4.0), 0 to 8
    int biasThirds = 0;       ///< exposure compensation in thirds of a stop, -12 to 12
    int program = 2;          ///< Exif ExposureProgram: 1 manual, 2 program, 3 aperture priority
    int metering = 5;         ///< Exif MeteringMode: 2 centre, 3 spot, 5 matrix
    bool flashFired = false;
    int flashMode = 1;        ///< 1 Auto, 2 On, 4 Off
    int quality = 3;          ///< 1 Economy, 2 Normal, 3 Fine
    int recordingMode = 1;    ///< 1 single shutter, 2 continuous, 5 timer
    int exposureMode = 1;     ///< 1 Full Auto, 2 Programmed AE, 4 Aperture priority AE
    int focusMode = 3;        ///< 2 Macro, 3 Auto Focus
    int whiteBalance = 1;     ///< 1 Auto, 3 Day Light
    int zoom = 1;             ///< digital zoom factor, 1 to 4
    int iso = 100;
};

struct ExifFields {
    ByteOrder order = ByteOrder::Intel;
    std::string make = "Orrin";
    std::string model;
    int orientation = 1;        ///< Exif Orientation (1, 3, 6, 8)
    std::string dateTime;       ///< "YYYY:MM:DD HH:MM:SS"
    int width = 0, height = 0;  ///< PixelXDimension / PixelYDimension
    bool dimensionsAsShort = false;
    Shot shot{};
    Bytes thumbnail{};          ///< JPEG thumbnail for IFD1; empty = no IFD1
};

/// The APP1 payload "Exif\0\0" + TIFF header, IFD0, Exif IFD (exposure fields
/// and the MakerNote: the maker's settings as a directory that starts at the
/// note's first byte, its values in their entries), optional IFD1 and thumbnail.
Bytes exifPayload(const ExifFields& fields);

struct KdciFields {
    std::string model;
    std::string dateTime;             ///< "YYYY:MM:DD HH:MM:SS"
    int orientationCode = 0;          ///< 0 upright, 1 quarter counter-clockwise, 2 half, 3 quarter clockwise
    std::uint32_t pictureNumber = 0;
    Shot shot{};
};

/// The APP1 payload of the "KDCI" block: "KDCI\0", zero bytes up to block
/// offset 14, the big-endian entry count, 16-byte directory entries (tag,
/// data size, 12 reserved bytes), then the data areas in entry order. Entry 2
/// holds the picture number, entry 1 zero-terminated items (0x06 model,
/// 0x03 date), entry 16 the 32-byte settings record (the orientation code in
/// the high four bits of its second byte).
Bytes kdciPayload(const KdciFields& fields);

}  // namespace lumbrel::samplecard
