#pragma once
// Writes a sample camera memory card as a folder: DCF folders under DCIM with
// Exif pictures and Motion-JPEG movies, traps that loaders must skip, and a
// root folder marked by "KDCAM.KDS" with pictures carrying the maker's "KDCI"
// block. The output is the same, byte for byte and in its file times, on every
// run.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lumbrel::samplecard {

struct CardOptions {
    bool large = false;  ///< also write the large pictures (2272 x 1704 and 2048 x 1536)
};

/// One file written to the card.
struct CardFile {
    std::string path;        ///< relative to the card folder, '/' separated
    std::uint64_t size = 0;
    int width = 0, height = 0;  ///< stored pixel size; 0 for files that are not pictures
    std::string date{};      ///< recording time "YYYY:MM:DD HH:MM:SS"; empty when the file has none
    std::string details{};   ///< kind of file, blocks, orientation
};

/// Replaces the card's DCIM and KDCAM folders under outDir with freshly made
/// ones and returns what it wrote. Other entries of outDir are left alone.
/// Returns false with a message in error when something cannot be written.
bool makeSampleCard(const std::filesystem::path& outDir, const CardOptions& options, std::vector<CardFile>& written,
                    std::string& error);

/// Seconds since the epoch of "YYYY:MM:DD HH:MM:SS" read as local time: the
/// file time given to a file recorded then. -1 for text of another form.
std::int64_t localFileTime(const std::string& dateTime);

}  // namespace lumbrel::samplecard
