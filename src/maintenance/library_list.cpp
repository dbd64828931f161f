#include "maintenance/library_list.h"

#include <algorithm>

#include "app/strings.h"
#include "library/library_key.h"
#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::maintenance {

std::vector<LibraryListItem> listItems(const library::CKDCardAlbumDoc& doc) {
    std::vector<LibraryListItem> items;
    items.reserve(doc.albums().size());
    for (const auto& album : doc.albums()) {
        items.push_back({library::keyToText(platform::lastComponent(album->folderPath)), album->title,
                         static_cast<std::uint32_t>(album->imageCount), album->templateName, album->folderPath});
    }
    return items;
}

std::string cellText(const LibraryListItem& item, int column) {
    switch (column) {
    case ColumnDate: return item.dateText;
    case ColumnTitle: return item.title;
    case ColumnCount: return std::to_string(item.imageCount);
    case ColumnTemplate: return item.templateText;
    case ColumnLocation: return item.location;
    default: return {};
    }
}

int compareInColumn(const LibraryListItem& a, const LibraryListItem& b, int column) {
    switch (column) {
    case ColumnDate: return platform::compareNoCase(a.dateText, b.dateText);
    case ColumnTitle: return platform::compareNoCase(a.title, b.title);
    case ColumnCount: return a.imageCount < b.imageCount ? -1 : a.imageCount > b.imageCount ? 1 : 0;
    case ColumnTemplate: return platform::compareNoCase(a.templateText, b.templateText);
    case ColumnLocation: return platform::compareNoCase(a.location, b.location);
    default: return 0;
    }
}

void ListState::clickColumn(int column) {
    if (column < 0 || column >= kListColumns) return;
    sortColumn = column;
    ascending = !ascending;
}

ListState& ListState::shared() {
    static ListState state;
    return state;
}

void sortRows(std::vector<std::uint32_t>& order, const std::vector<LibraryListItem>& items, const ListState& state) {
    const int column = state.sortColumn;
    if (state.ascending)
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
            return compareInColumn(items[x], items[y], column) < 0;
        });
    else
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
            return compareInColumn(items[y], items[x], column) < 0;
        });
}

std::uint64_t storedBytes(const library::CKDCardAlbumDoc& doc, std::span<const std::string> locations) {
    std::uint64_t total = 0;
    for (const std::string& location : locations)
        if (const library::CAlbumData* album = doc.findLibrary(location))
            // The stored size is the low 32 bits of the real one, kept unsigned.
            total += static_cast<std::uint32_t>(album->totalSize);
    return total;
}

namespace {

std::string grouped(std::uint64_t value) {
    std::string text = std::to_string(value);
    // A "," before every group of three digits counted from the right.
    const std::size_t length = text.size();
    for (std::size_t i = 1; i <= (length - 1) / 3; ++i) text.insert(length - 3 * i, ",");
    return text;
}

}  // namespace

std::string kilobyteText(std::uint64_t bytes) {
    return grouped(bytes / 1024) + " " + std::string(app::text(app::kStrKilobytes));
}

std::string groupedKilobytes(std::uint64_t kilobytes) { return kilobytes == 0 ? std::string() : grouped(kilobytes); }

std::string libraryCountText(std::size_t count) {
    return std::to_string(count) + std::string(app::text(app::kStrCountSuffix));
}

}  // namespace lumbrel::maintenance
