#include "app/relocate_refresh.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fakes.h"
#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

using lumbrel::test::TempDir;
using namespace lumbrel::app::test;
using Strings = std::vector<std::string>;

const std::string kWaitShown = "show:Rebuilding|The library is being rebuilt|Please wait...";

TEST(RelocateAndRefresh, PathOutsideAnyLibraryRootChangesNothingOnDisk) {
    library::CKDCardAlbumDoc albumOutside;
    albumOutside.addLibrary(makeAlbum("/photos/20240101"));
    library::CKDCardAlbumDoc imageOutside;  // the library itself is fine, one of its images is not
    imageOutside.addLibrary(makeAlbum("/old/ImageLib/20240101"));
    imageOutside.addImage(makeImage("/photos/elsewhere/IMG_0001.JPG"));

    for (library::CKDCardAlbumDoc* doc : {&albumOutside, &imageOutside}) {
        TempDir dir;
        FakeSite site;
        FakeWait wait;
        const std::string indexPath = dir / "Lumbrel.kds";
        const std::string copyPath = dir / "Lumbrel copy.kds";
        EXPECT_FALSE(relocateAndRefresh(*doc, dir / "Image Library", indexPath, copyPath, true, &site, &wait));
        EXPECT_FALSE(std::filesystem::exists(indexPath));
        EXPECT_FALSE(std::filesystem::exists(copyPath));
        EXPECT_TRUE(site.calls.empty());
        EXPECT_EQ(wait.calls, (Strings{kWaitShown, "close"}));
    }
}

TEST(RelocateAndRefresh, WithoutSavingRefreshesThePagesOnly) {
    TempDir dir;
    FakeSite site;
    FakeWait wait;
    library::CKDCardAlbumDoc doc = movedLibrary();
    const std::string root = dir / "Image Library";
    const std::string indexPath = dir / "Lumbrel.kds";
    const std::string copyPath = root + "/Lumbrel.kds";
    std::filesystem::create_directory(root);

    EXPECT_TRUE(relocateAndRefresh(doc, root, indexPath, copyPath, false, &site, &wait));
    EXPECT_FALSE(std::filesystem::exists(indexPath));
    EXPECT_FALSE(std::filesystem::exists(copyPath));
    EXPECT_EQ(doc.albums()[1]->folderPath, root + "/20240102_1");
    EXPECT_EQ(site.calls, (Strings{"remove", "add"}));
    EXPECT_EQ(site.removed, (Strings{"20240101", "20240102_1"}));
    EXPECT_EQ(site.added, site.removed);
    EXPECT_EQ(wait.calls, (Strings{kWaitShown, "close"}));

    // Without a site or a wait window the relocation and the save (of the index
    // and its save-folder copy) still happen.
    library::CKDCardAlbumDoc bare = movedLibrary();
    EXPECT_TRUE(relocateAndRefresh(bare, root, indexPath, copyPath, true, nullptr, nullptr));
    library::CKDCardAlbumDoc onDisk;
    ASSERT_TRUE(library::openIndexFile(indexPath, onDisk).ok());
    EXPECT_EQ(onDisk.images()[0]->imagePath(), root + "/20240101/IMG_0001.JPG");
    EXPECT_EQ(lumbrel::test::readBytes(copyPath), lumbrel::test::readBytes(indexPath));
}

}  // namespace
}  // namespace lumbrel::app
