#pragma once
// A generated image library that looks like one built up over the years by a
// camera owner: dated library folders, twenty pictures (and the odd movie) in
// each, file sizes of a few megabytes. The same seed always gives the same
// document (with the same standard library), so figures from runs compare.

#include <cstdint>

#include "library/album_doc.h"

namespace lumbrel::bench {

struct SampleShape {
    int libraries = 10'000;
    int imagesPerLibrary = 20;
    std::uint64_t seed = 20010415;
};

/// Both lists in path order, as an index file written by the program holds them.
library::CKDCardAlbumDoc makeSampleDocument(const SampleShape& shape = {});

}  // namespace lumbrel::bench
