#pragma once
// Recording data of one album item, read from the camera's JPEG (or the first
// frame of a movie): the maker's older "KDCI" segment or Exif with the maker's
// MakerNote, and the picture size from its baseline frame header. The
// segments of the picture's header are walked by their lengths.
//
// The first fields below are what the album pages use; the exposure values and
// the maker settings after them feed the data page lines.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::plugin {

/// The maker's own settings, by MakerNote tag (the "KDCI" settings record fills
/// the same fields). Zero means not recorded.
struct MakerSettings {
    std::uint16_t recordingMode = 0;     ///< tag 1: shot kind (8 = movie, 13 = multiple exposure, ...)
    std::uint16_t quality = 0;           ///< tag 2
    std::uint16_t focusMode = 0;         ///< tag 3
    std::uint16_t flashMode = 0;         ///< tag 4
    std::uint16_t whiteBalance = 0;      ///< tag 7
    std::uint32_t digitalZoom = 0;       ///< tag 10: factor = upper 16 bits / lower 16 bits
    std::uint16_t sharpness = 0;         ///< tag 11
    std::uint16_t contrast = 0;          ///< tag 12
    std::uint16_t saturation = 0;        ///< tag 13
    std::uint16_t multipleExposure = 0;  ///< tag 14
    std::uint16_t iso = 0;               ///< tag 20
    std::uint16_t enhancement = 0;       ///< tag 22
    std::uint16_t filter = 0;            ///< tag 23
    std::uint16_t flashIntensity = 0;    ///< tag 25
    std::array<std::uint8_t, 3> sceneSelect{};  ///< tag 27
    std::uint16_t exposureMode = 0;      ///< tag 28: Full Auto, Programmed AE, ...
    std::uint16_t driveMode = 0;         ///< tag 29
    std::uint16_t sceneNumber = 0;       ///< tag 30: scene-select number (256 on: custom scenes)
    bool operator==(const MakerSettings&) const = default;
};

struct ImageInfo {
    bool makerData = false;       ///< Make is the maker's name, or a "KDCI" segment
    std::uint32_t fileSizeKB = 0; ///< ((length - 1) / 1024) + 1, 0 when unread
    bool sizeFound = false;       ///< a baseline frame header before end of image
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::string model;
    std::string dateTime;         ///< 14 digits YYYYMMDDhhmmss, or empty

    std::uint16_t exposureProgram = 0;  ///< Exif ExposureProgram values
    std::uint16_t meteringMode = 0;     ///< Exif MeteringMode values
    std::uint16_t flash = 0;            ///< Exif Flash; bit 0 = fired
    std::uint32_t shutterNum = 0, shutterDen = 0;    ///< exposure time in seconds
    std::uint32_t apertureNum = 0, apertureDen = 0;  ///< f-number
    std::int32_t biasNum = 0, biasDen = 0;           ///< exposure bias in EV
    std::uint8_t orientation = 0;  ///< 0 upright, 1 and 3 quarter turns, 2 half turn, 255 other
    MakerSettings maker;
    bool operator==(const ImageInfo&) const = default;
};

/// Reads one file; an unreadable or empty file gives the all-zero record.
/// Only the header of the file's first picture is read: a head of chunkBytes
/// (at least 16), and beyond it only the bytes the header's segments reach;
/// the result equals readImageInfo(whole file, length).
ImageInfo readImageInfo(const std::string& path);
ImageInfo readImageInfo(const std::string& path, std::size_t chunkBytes);

/// Reads the bytes of a whole file held in memory; fileLength gives the size line.
ImageInfo readImageInfo(std::span<const std::uint8_t> bytes, std::uint64_t fileLength);

/// Name of the scene icon without ".GIF" ("NORMAL", "MOVIE", ..., "UNKNOWN").
std::string_view sceneIcon(const ImageInfo& info);

/// The lines of the data page, in order, each "label : value" or "label : -".
std::vector<std::string> dataLines(const ImageInfo& info);

}  // namespace lumbrel::plugin
