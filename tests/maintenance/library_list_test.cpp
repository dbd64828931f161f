#include <gtest/gtest.h>

#include "maintenance/library_list.h"
#include "maintenance/template_indices.h"

namespace lumbrel::maintenance {
namespace {

TEST(SpaceFigure, KilobytesAreGroupedByThousands) {
    EXPECT_EQ(kilobyteText(1023), "0 KB");
    EXPECT_EQ(kilobyteText(1024), "1 KB");
    EXPECT_EQ(kilobyteText(1048576000), "1,024,000 KB");
    EXPECT_EQ(kilobyteText(std::uint64_t{1234567} * 1024), "1,234,567 KB");
    EXPECT_EQ(kilobyteText(std::uint64_t{123456} * 1024), "123,456 KB");
    EXPECT_EQ(groupedKilobytes(0), "");
    EXPECT_EQ(groupedKilobytes(1000), "1,000");
    EXPECT_EQ(libraryCountText(0), "0 ");
}

TEST(SpaceFigure, StoredSizesAddUpBeyondThirtyTwoBits) {
    library::CKDCardAlbumDoc doc;
    for (const char* folder : {"/l/20010101", "/l/20010102", "/l/20010103"}) {
        library::CAlbumData a;
        a.folderPath = folder;
        a.totalSize = static_cast<std::int32_t>(0xF0000000u);  // stored as a negative 32-bit number
        doc.addLibrary(a);
    }
    const std::vector<std::string> selected{"/L/20010101", "/l/20010103", "/l/missing"};
    EXPECT_EQ(storedBytes(doc, selected), 2ull * 0xF0000000ull);
}

TEST(ListSorting, EveryClickFlipsTheDirectionWhicheverColumn) {
    std::vector<LibraryListItem> items{
        {"2001/06/16", "beta", 10, "", "/l/20010616"},
        {"2001/06/15", "Alpha", 9, "", "/l/20010615"},
        {"2001/06/17", "gamma", 100, "", "/l/20010617"},
    };
    ListState state;
    std::vector<std::uint32_t> order{0, 1, 2};
    sortRows(order, items, state);  // fresh: newest first
    EXPECT_EQ(order, (std::vector<std::uint32_t>{2, 0, 1}));

    state.clickColumn(ColumnTitle);  // the first click sorts ascending, ignoring case
    sortRows(order, items, state);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 0, 2}));

    state.clickColumn(ColumnCount);  // another column: descending, as numbers
    sortRows(order, items, state);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{2, 0, 1}));
    EXPECT_EQ(cellText(items[2], ColumnCount), "100");
}

TEST(TemplateIndices, FirstNamesThatOccurOrTheDefaults) {
    EXPECT_EQ(libraryTemplateIndices("Type 3,Blue/gray").type, 2);
    EXPECT_EQ(libraryTemplateIndices("Type 3,Blue/gray").colour, 8);
    EXPECT_EQ(libraryTemplateIndices("Simple,Orange").type, 0);
    EXPECT_EQ(libraryTemplateIndices("Simple,Orange").colour, 7);
    // Case matters, and the first colour in the plug-in's order wins.
    EXPECT_EQ(libraryTemplateIndices("type 2,fancy blue/white").colour, 7);
    EXPECT_EQ(libraryTemplateIndices("Type 4,Purple/black").colour, 14);
    EXPECT_EQ(libraryTemplateIndices("Type 4,Purple/black").type, 3);
}

}  // namespace
}  // namespace lumbrel::maintenance
