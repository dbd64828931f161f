#include "index_sample.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "library/album_data.h"
#include "library/photo_data.h"
#include "platform/utf8.h"

namespace lumbrel::bench {

using library::CAlbumData;
using library::CKDCardAlbumDoc;
using library::CPhotoData;

namespace {

constexpr std::string_view kRoot = "/home/user/Lumbrel/Image Library";
constexpr std::string_view kNoMail = "Email software is not assigned";
constexpr std::array<std::string_view, 4> kTemplates = {
    "Standard,Green/Gray", "Standard,Green/Gray", "Standard,Blue/White", "Frames,Green/Gray"};
constexpr std::array<std::string_view, 24> kWords = {
    "Birthday", "party",  "at",      "the",    "lake",   "Summer", "holiday", "Grandma",
    "garden",   "snow",   "first",   "day",    "school", "trip",   "to",      "coast",
    "Hiking",   "dog",    "wedding", "Spring", "walk",   "new",    "house",   "concert"};
// File name stems of a few cameras owned over the years.
constexpr std::array<std::string_view, 4> kStems = {"ABCD", "PICT", "CAMR", "SNAP"};

struct Date {
    int year, month, day;
};

std::vector<Date> calendar(int firstYear, int lastYear) {
    std::vector<Date> days;
    for (int y = firstYear; y <= lastYear; ++y) {
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int lengths[12] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= lengths[m - 1]; ++d) days.push_back({y, m, d});
    }
    return days;
}

std::string digits(int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

}  // namespace

CKDCardAlbumDoc makeSampleDocument(const SampleShape& shape) {
    std::mt19937_64 rng(shape.seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto pick = [&](const auto& list) {
        return list[static_cast<std::size_t>(uniform(0, static_cast<int>(list.size()) - 1))];
    };

    // Library keys: one library on most chosen days, and a few days imported more
    // than once, which gives keys YYYYMMDD_1, YYYYMMDD_2, ...
    std::vector<Date> days = calendar(1995, 2024);
    std::shuffle(days.begin(), days.end(), rng);
    const std::size_t wanted = static_cast<std::size_t>(std::max(shape.libraries, 0));
    const std::size_t distinct = std::min(days.size(), std::max<std::size_t>(wanted * 9 / 10, 1));
    days.resize(std::min(distinct, wanted));
    std::vector<std::pair<Date, int>> keys;  // date and suffix (0: none)
    std::map<int, int> extra;                // date index -> suffixes used
    for (const Date& d : days) keys.push_back({d, 0});
    while (keys.size() < wanted) {
        const int i = uniform(0, static_cast<int>(days.size()) - 1);
        keys.push_back({days[static_cast<std::size_t>(i)], ++extra[i]});
    }

    CKDCardAlbumDoc::AlbumList albums;
    CKDCardAlbumDoc::ImageList images;
    albums.reserve(keys.size());
    images.reserve(keys.size() * static_cast<std::size_t>(std::max(shape.imagesPerLibrary, 0)));
    int fileNumber = uniform(1, 9999);
    for (const auto& [date, suffix] : keys) {
        auto album = std::make_unique<CAlbumData>();
        std::string key = digits(date.year, 4) + digits(date.month, 2) + digits(date.day, 2);
        if (suffix > 0) key += "_" + std::to_string(suffix);
        album->folderPath = std::string(kRoot) + "/" + key;
        album->indexPagePath = album->folderPath + "/INDEX.HTM";
        if (uniform(0, 9) >= 4) {
            const int words = uniform(1, 4);
            for (int w = 0; w < words; ++w) {
                if (w > 0) album->title += ' ';
                album->title += pick(kWords);
            }
        }
        album->templateName = pick(kTemplates);
        album->mailSoftware = kNoMail;
        album->versionTag = library::kAlbumVersionTag;
        album->shortcutFlag = uniform(0, 49) == 0 ? 1 : 0;
        album->attachmentSize = uniform(0, 9) == 0 ? 1 : 0;

        const std::string_view stem = pick(kStems);
        int seconds = uniform(8, 18) * 3600 + uniform(0, 3599);
        std::int64_t total = 0;
        for (int n = 0; n < shape.imagesPerLibrary; ++n) {
            const bool movie = uniform(0, 19) == 0;
            const std::string path =
                album->folderPath + "/" + std::string(stem) + digits(fileNumber, 4) + (movie ? ".AVI" : ".JPG");
            fileNumber = fileNumber % 9999 + 1;
            const int size = uniform(1'000'000, 5'000'000);
            total += size;
            const std::string year = digits(date.year, 4), month = digits(date.month, 2), day = digits(date.day, 2);
            const std::string hour = digits(seconds / 3600, 2), minute = digits(seconds / 60 % 60, 2),
                              second = digits(seconds % 60, 2);
            images.push_back(std::make_unique<CPhotoData>(
                CPhotoData::Texts{path, year, month, day, hour, minute, second}, size, 0));
            seconds = std::min(seconds + uniform(5, 600), 23 * 3600 + 59 * 60 + 59);
        }
        album->imageCount = shape.imagesPerLibrary;
        album->totalSize = static_cast<std::int32_t>(std::min<std::int64_t>(total, INT32_MAX));
        albums.push_back(std::move(album));
    }

    // The program keeps both lists ordered by path ignoring case; an index file
    // holds them in that order.
    std::stable_sort(albums.begin(), albums.end(), [](const auto& a, const auto& b) {
        return platform::compareNoCase(a->folderPath, b->folderPath) < 0;
    });
    std::stable_sort(images.begin(), images.end(), [](const auto& a, const auto& b) {
        return platform::compareNoCase(a->imagePath(), b->imagePath()) < 0;
    });
    CKDCardAlbumDoc doc;
    doc.adoptLists(std::move(albums), std::move(images));
    return doc;
}

}  // namespace lumbrel::bench
