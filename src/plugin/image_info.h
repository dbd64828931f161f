#pragma once
// Recording data of one album item, read from the camera's JPEG (or the first
// frame of a movie): the maker's older "KDCI" segment or Exif with the maker's
// MakerNote, and the picture size from the baseline frame header.
//
// The fields below are what the album pages use; the reader's own fields
// (maker settings, exposure values) are added beside them by the reader.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::plugin {

struct ImageInfo {
    bool makerData = false;       ///< Make is the maker's name, or a "KDCI" segment
    std::uint32_t fileSizeKB = 0; ///< ((length - 1) / 1024) + 1, 0 when unread
    bool sizeFound = false;       ///< a baseline frame header before end of image
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::string model;
    std::string dateTime;         ///< 14 digits YYYYMMDDhhmmss, or empty
};

/// Reads one file; an unreadable or empty file gives the all-zero record.
ImageInfo readImageInfo(const std::string& path);

/// Name of the scene icon without ".GIF" ("NORMAL", "MOVIE", ..., "UNKNOWN").
std::string_view sceneIcon(const ImageInfo& info);

/// The lines of the data page, in order, each "label : value" or "label : -".
std::vector<std::string> dataLines(const ImageInfo& info);

}  // namespace lumbrel::plugin
