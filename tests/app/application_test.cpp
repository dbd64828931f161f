#include "app/application.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/busy_flag.h"
#include "app/settings.h"
#include "fakes.h"
#include "library/index_file.h"
#include "platform/files.h"
#include "platform/single_instance.h"
#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::readBytes;
using lumbrel::test::TempDir;
using lumbrel::test::writeBytes;
using lumbrel::test::writeText;
using namespace lumbrel::app::test;
using Strings = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

const Bytes kGarbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'n', 'd', 'e', 'x', 0x07, 0x00, 0xFE,
                        0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};

// Waits, at most about five seconds, for a detached program to leave its mark.
// Waits until path exists and holds something (a program started detached
// writes it).
bool waitForFile(const std::string& path) {
    const auto written = [&] {
        std::error_code ec;
        return fs::exists(path) && fs::file_size(path, ec) > 0;
    };
    for (int i = 0; i < 250; ++i) {
        if (written()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return written();
}

// Makes this process the parent of the programs a test starts detached, so that
// it can see them end: none outlives the test, not even unreaped.
class DetachedPrograms {
public:
    DetachedPrograms() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~DetachedPrograms() {
        EXPECT_TRUE(reapAll()) << "a started program is still running";
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    DetachedPrograms(const DetachedPrograms&) = delete;
    DetachedPrograms& operator=(const DetachedPrograms&) = delete;

    // Waits, at most about five seconds, until every child has ended.
    static bool reapAll() {
        for (int i = 0; i < 250; ++i) {
            pid_t pid;
            while ((pid = ::waitpid(-1, nullptr, WNOHANG)) > 0) {
            }
            if (pid < 0 && errno == ECHILD) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
};

class Startup : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", (config / "xdg").c_str(), 1); }

    StartupOptions options() const {
        StartupOptions o;
        o.programFolder = home.path();
        o.instanceName = uniqueInstanceName();
        return o;
    }
    StartupServices services() { return {&site, &templates, &loader, &wait}; }
    Settings settings() { return Settings(profile, home.path()); }

    std::string index() const { return home / "Lumbrel.kds"; }
    std::string saveFolder() const { return home / "Image Library"; }
    std::string saveCopy() const { return saveFolder() + "/Lumbrel.kds"; }
    std::string generation(int g) const { return home / ("Lumbrel.kd" + std::to_string(g)); }
    std::string request() const { return home / "Lumbrel.tmp"; }
    std::string marker() const { return home / "watcher-ran"; }

    // A file's bytes and identity: an atomic rewrite gives it a new inode.
    struct FileState {
        Bytes bytes;
        ino_t inode = 0;
        std::int64_t writeNs = 0;
        bool operator==(const FileState&) const = default;
    };
    static std::optional<FileState> state(const std::string& path) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return std::nullopt;
        const std::int64_t writeNs = std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
        return FileState{readBytes(path), st.st_ino, writeNs};
    }
    // The index, its copy and the generations.
    std::vector<std::optional<FileState>> indexFiles() const {
        std::vector<std::optional<FileState>> out{state(index()), state(saveCopy())};
        for (int g = 1; g <= 5; ++g) out.push_back(state(generation(g)));
        return out;
    }
    // The files in the program folder whose names start with prefix.
    Strings filesStartingWith(std::string_view prefix) const {
        Strings out;
        for (const auto& e : fs::directory_iterator(home.path()))
            if (e.path().filename().string().starts_with(prefix)) out.push_back(e.path().string());
        return out;
    }

    // The stand-in for the watcher, at its default place in the program folder.
    void installWatcher() const {
        const std::string program = home / "Lmauto";
        writeText(program, "#!/bin/sh\necho \"ran $*\" >> '" + marker() + "'\n");
        ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    }

    TempDir home;    // the program folder
    TempDir config;  // the settings file and XDG_CONFIG_HOME
    platform::Profile profile{config / "Lumbrel.conf"};
    FakeSite site;
    FakeTemplates templates;
    FakeLoader loader;
    FakeWait wait;
};

// --- One copy per user, one writer per program folder -------------------------

TEST_F(Startup, SecondCopyWithTheSameNameRaisesTheFirstAndEnds) {
    TempDir otherHome;
    const StartupOptions o = options();
    Application first(profile, o, services());
    ASSERT_EQ(first.start(), StartupResult::Started);
    ASSERT_NE(first.instance(), nullptr);

    StartupOptions o2 = o;
    o2.programFolder = otherHome.path();
    Application second(profile, o2);
    EXPECT_EQ(second.start(), StartupResult::AnotherCopyRunning);
    EXPECT_EQ(second.instance(), nullptr);
    second.exit();
    EXPECT_TRUE(fs::is_empty(otherHome.path()));  // it touched nothing

    int raised = 0;
    EXPECT_EQ(first.instance()->pollRaiseRequests([&] { ++raised; }), 1);
    EXPECT_EQ(raised, 1);
}

TEST_F(Startup, SecondCopyOnTheSameProgramFolderFindsItInUse) {
    auto first = std::make_unique<Application>(profile, options());
    ASSERT_EQ(first->start(), StartupResult::Started);

    Application named(profile, options());
    EXPECT_EQ(named.start(), StartupResult::FolderInUse);
    StartupOptions unnamed = options();
    unnamed.instanceName.clear();  // as the command line starts
    Application cli(profile, unnamed);
    EXPECT_EQ(cli.start(), StartupResult::FolderInUse);

    first.reset();  // ends the run and lets the folder go
    Application next(profile, unnamed);
    EXPECT_EQ(next.start(), StartupResult::Started);
}

// --- The save folder ------------------------------------------------------------

TEST_F(Startup, SaveFolderOfTheOldNameIsMovedToTheDefault) {
    settings().set(setting::SaveFolder, "/media/card/ImageLib");
    Application app(profile, options());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_EQ(app.saveFolder(), saveFolder());
    EXPECT_EQ(profile.readText("Settings", "SaveFolder", ""), saveFolder());
}

TEST_F(Startup, SaveFolderMerelyResemblingTheOldNameIsKept) {
    for (const std::string_view folder : {"/media/card/imagelib", "/media/ImageLib/Pictures", "/media/ImageLibrary"}) {
        settings().set(setting::SaveFolder, folder);
        Application app(profile, options());
        ASSERT_EQ(app.start(), StartupResult::Started);
        EXPECT_EQ(app.saveFolder(), folder);
    }
}

// --- The save-folder copy of the index ------------------------------------------

TEST_F(Startup, SaveFolderCopyIsTakenAndRelocatedWhenThereIsNoIndex) {
    auto carried = movedLibrary();
    writeIndexFile(carried, saveCopy());

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    const StartupReport& r = app.report();
    EXPECT_TRUE(r.copiedFromSaveFolder);
    EXPECT_EQ(r.source, IndexSource::IndexFile);
    EXPECT_TRUE(r.relocated);
    EXPECT_TRUE(r.indexOpened);
    EXPECT_TRUE(r.indexProblem.empty());

    const auto& doc = app.document();
    ASSERT_EQ(doc.albums().size(), 2u);
    ASSERT_EQ(doc.images().size(), 2u);
    EXPECT_EQ(doc.albums()[0]->folderPath, saveFolder() + "/20240101");
    EXPECT_EQ(doc.albums()[0]->indexPagePath, saveFolder() + "/20240101/INDEX.HTM");
    EXPECT_EQ(doc.albums()[1]->folderPath, saveFolder() + "/20240102_1");
    EXPECT_EQ(doc.images()[0]->imagePath(), saveFolder() + "/20240101/IMG_0001.JPG");
    EXPECT_EQ(doc.images()[1]->imagePath(), saveFolder() + "/20240102_1/IMG_0002.JPG");

    // The relocated document is what the index file and generation 1 now hold.
    library::CKDCardAlbumDoc onDisk;
    ASSERT_TRUE(library::openIndexFile(index(), onDisk).ok());
    ASSERT_EQ(onDisk.albums().size(), 2u);
    EXPECT_EQ(onDisk.albums()[1]->folderPath, saveFolder() + "/20240102_1");
    EXPECT_EQ(onDisk.images()[0]->imagePath(), saveFolder() + "/20240101/IMG_0001.JPG");
    EXPECT_EQ(readBytes(generation(1)), readBytes(index()));

    EXPECT_EQ(site.calls, (Strings{"remove", "add"}));
    EXPECT_EQ(site.removed, (Strings{"20240101", "20240102_1"}));
    EXPECT_EQ(site.added, (Strings{"20240101", "20240102_1"}));
    EXPECT_EQ(wait.calls, (Strings{"show:Rebuilding|The library is being rebuilt|Please wait...", "close"}));

    app.exit();
    EXPECT_EQ(readBytes(saveCopy()), readBytes(index()));
}

TEST_F(Startup, SaveFolderCopyDifferingInOneByteReplacesTheIndex) {
    auto mine = movedLibrary("Trip A");
    writeIndexFile(mine, index());
    const Bytes replaced = readBytes(index());
    auto carried = movedLibrary("Trip B");
    writeIndexFile(carried, saveCopy());
    {
        const Bytes a = readBytes(index()), b = readBytes(saveCopy());
        ASSERT_EQ(a.size(), b.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
        ASSERT_EQ(differing, 1u);
    }

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_TRUE(app.report().copiedFromSaveFolder);
    EXPECT_TRUE(app.report().relocated);
    const library::CAlbumData* taken = app.document().findLibrary(saveFolder() + "/20240102_1");
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(taken->title, "Trip B");
    // The relocation saved the index and its copy; the replaced index is kept
    // as a generation, behind the index now in use.
    EXPECT_EQ(readBytes(saveCopy()), readBytes(index()));
    EXPECT_EQ(readBytes(generation(1)), readBytes(index()));
    EXPECT_EQ(readBytes(generation(2)), replaced);
}

TEST_F(Startup, DamagedSaveFolderCopyDoesNotReplaceTheIndex) {
    auto mine = movedLibrary("Trip A");
    writeIndexFile(mine, index());
    const Bytes good = readBytes(index());
    auto carried = movedLibrary("Trip B");
    writeIndexFile(carried, saveCopy());
    const Bytes full = readBytes(saveCopy());
    const Bytes cut(full.begin(), full.end() - 3);  // a copy cut short by a full card
    writeBytes(saveCopy(), cut);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    const StartupReport& r = app.report();
    EXPECT_FALSE(r.copiedFromSaveFolder);
    EXPECT_NE(r.saveCopyProblem.find(saveCopy()), std::string::npos) << r.saveCopyProblem;
    EXPECT_EQ(r.source, IndexSource::IndexFile);
    EXPECT_EQ(app.document().albums()[1]->title, "Trip A");
    EXPECT_EQ(readBytes(index()), good);
    EXPECT_EQ(readBytes(saveCopy()), cut);
    EXPECT_FALSE(fs::exists(generation(2)));

    // The next save puts a good copy in its place.
    ASSERT_TRUE(app.saveIndex());
    EXPECT_EQ(readBytes(saveCopy()), good);
}

TEST_F(Startup, EqualSaveFolderCopyIsLeftAlone) {
    auto mine = movedLibrary();
    writeIndexFile(mine, index());
    writeIndexFile(mine, saveCopy());
    const Bytes before = readBytes(index());

    const auto indexBefore = state(index()), copyBefore = state(saveCopy());

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_FALSE(app.report().copiedFromSaveFolder);
    EXPECT_FALSE(app.report().relocated);
    EXPECT_TRUE(app.report().indexOpened);
    EXPECT_EQ(app.document().albums()[0]->folderPath, "/old/Image Library/20240101");
    EXPECT_TRUE(site.calls.empty());
    EXPECT_TRUE(wait.calls.empty());
    // Unchanged, so not written again; kept as generation 1.
    EXPECT_EQ(state(index()), indexBefore);
    EXPECT_EQ(state(saveCopy()), copyBefore);
    EXPECT_EQ(readBytes(generation(1)), before);
}

// --- Opening the index ----------------------------------------------------------

TEST_F(Startup, UnreadableIndexIsSetAsideAndGeneration1IsUsedWithoutSaving) {
    // An index cut short, as a full disk or a crash leaves it.
    auto backup = movedLibrary();
    writeIndexFile(backup, generation(1));
    const Bytes generation1 = readBytes(generation(1));
    const Bytes cut(generation1.begin(), generation1.begin() + static_cast<long>(generation1.size() / 2));
    writeBytes(index(), cut);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    const StartupReport& r = app.report();
    EXPECT_EQ(r.source, IndexSource::Generation);
    EXPECT_EQ(r.generation, 1);
    EXPECT_TRUE(r.indexOpened);
    EXPECT_TRUE(r.relocated);
    EXPECT_FALSE(r.copiedFromSaveFolder);
    EXPECT_FALSE(r.newSiteWritten);
    EXPECT_NE(r.indexProblem.find(index()), std::string::npos) << r.indexProblem;

    // The damaged index is kept, with its bytes, under a name nothing reads:
    // "Lumbrel.kds.unreadable-" and the local time as YYYYMMDDhhmmss.
    const Strings aside = filesStartingWith("Lumbrel.kds.unreadable-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(r.unreadableIndexMovedTo, aside[0]);
    const std::string stamp = aside[0].substr(aside[0].rfind('-') + 1);
    EXPECT_EQ(stamp.size(), 14u) << aside[0];
    EXPECT_TRUE(std::all_of(stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; })) << aside[0];
    EXPECT_EQ(readBytes(aside[0]), cut);
    EXPECT_FALSE(fs::exists(index()));

    // Relocated in memory; generation 1 stays as it was.
    ASSERT_EQ(app.document().albums().size(), 2u);
    EXPECT_EQ(app.document().albums()[0]->folderPath, saveFolder() + "/20240101");
    EXPECT_EQ(readBytes(generation(1)), generation1);
    EXPECT_EQ(site.calls, (Strings{"remove", "add"}));

    app.exit();  // nothing was saved: no generations
    EXPECT_FALSE(fs::exists(generation(2)));
    EXPECT_EQ(readBytes(generation(1)), generation1);
}

TEST_F(Startup, NothingReadableGivesAnEmptyLibraryAndANewSite) {
    writeBytes(index(), kGarbage);
    writeBytes(generation(1), kGarbage);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    const StartupReport& r = app.report();
    EXPECT_EQ(r.source, IndexSource::Empty);
    EXPECT_FALSE(r.indexOpened);
    EXPECT_TRUE(r.newSiteWritten);
    EXPECT_NE(r.indexProblem.find(index()), std::string::npos) << r.indexProblem;
    EXPECT_NE(r.indexProblem.find(generation(1)), std::string::npos) << r.indexProblem;
    EXPECT_TRUE(app.document().albums().empty());
    EXPECT_TRUE(app.document().images().empty());
    EXPECT_EQ(site.calls, Strings{"newSite"});
    EXPECT_TRUE(wait.calls.empty());
}

TEST_F(Startup, OlderIndexLayoutIsConvertedAndOpened) {
    Bytes older = {0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x0A, 0x00};
    auto raw = [](Bytes& b, std::string_view s) { b.insert(b.end(), s.begin(), s.end()); };
    auto text = [&](Bytes& b, std::string_view s) {
        b.push_back(static_cast<std::uint8_t>(s.size()));
        raw(b, s);
    };
    auto i32 = [](Bytes& b, std::uint32_t v) {
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    raw(older, "CAlbumData");
    const Bytes head = older;
    Bytes fields;  // title, folder, index page, template, total size, image count, shortcut flag
    text(fields, "Sea side");
    text(fields, "/old/Image Library/19990704");
    text(fields, "/old/Image Library/19990704/INDEX.HTM");
    text(fields, "Standard,Blue");
    i32(fields, 123456);
    i32(fields, 3);
    i32(fields, 0);
    older.insert(older.end(), fields.begin(), fields.end());
    i32(older, 5);  // the two numbers the current layout no longer has
    i32(older, 6);
    text(older, "Outlook");
    older.insert(older.end(), {0x00, 0x00});  // no images
    writeBytes(index(), older);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_EQ(app.report().source, IndexSource::IndexFile);
    ASSERT_EQ(app.document().albums().size(), 1u);
    const library::CAlbumData& a = *app.document().albums()[0];
    EXPECT_EQ(a.versionTag, "LM200");
    EXPECT_EQ(a.title, "Sea side");
    EXPECT_EQ(a.folderPath, "/old/Image Library/19990704");
    EXPECT_EQ(a.indexPagePath, "/old/Image Library/19990704/INDEX.HTM");
    EXPECT_EQ(a.templateName, "Standard,Blue");
    EXPECT_EQ(a.totalSize, 123456);
    EXPECT_EQ(a.imageCount, 3);
    EXPECT_EQ(a.shortcutFlag, 0);
    EXPECT_EQ(a.printButton, 1);
    EXPECT_EQ(a.attachmentSize, 0);
    EXPECT_EQ(a.mailSoftware, "Email software is not assigned");
    EXPECT_TRUE(app.document().images().empty());

    // Saved back in the current layout, without the converter's padding.
    Bytes expected = head;
    text(expected, "LM200");
    expected.insert(expected.end(), fields.begin(), fields.end());
    i32(expected, 1);
    i32(expected, 0);
    text(expected, "Email software is not assigned");
    expected.insert(expected.end(), {0x00, 0x00});
    EXPECT_EQ(readBytes(index()), expected);
}

TEST_F(Startup, GenerationsAreTriedInTurn) {
    auto two = movedLibrary("From two");
    writeIndexFile(two, generation(2));
    auto three = movedLibrary("From three");
    writeIndexFile(three, generation(3));
    writeBytes(index(), kGarbage);
    writeBytes(saveCopy(), kGarbage);
    writeBytes(generation(1), kGarbage);
    {
        Application app(profile, options(), services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        EXPECT_EQ(app.report().source, IndexSource::Generation);
        EXPECT_EQ(app.report().generation, 2);
        EXPECT_FALSE(app.report().copiedFromSaveFolder);
        EXPECT_FALSE(app.report().saveCopyProblem.empty());
        ASSERT_EQ(app.document().albums().size(), 2u);
        EXPECT_EQ(app.document().albums()[0]->title, "Home");
        EXPECT_EQ(app.document().albums()[1]->title, "From two");
    }
    writeBytes(generation(2), kGarbage);
    const auto before = indexFiles();
    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_EQ(app.report().generation, 3);
    EXPECT_EQ(app.document().albums()[1]->title, "From three");
    const std::string& problem = app.report().indexProblem;
    EXPECT_NE(problem.find(generation(1)), std::string::npos) << problem;
    EXPECT_NE(problem.find(generation(2)), std::string::npos) << problem;
    app.exit();
    EXPECT_EQ(indexFiles(), before);  // nothing was saved: nothing written
}

TEST_F(Startup, EachUnreadableIndexIsKeptUnderItsOwnName) {
    const Bytes first(kGarbage.begin(), kGarbage.end() - 1);
    writeBytes(index(), first);
    { Application(profile, options()).start(); }
    writeBytes(index(), kGarbage);  // a second one, perhaps within the same second
    Application app(profile, options());
    ASSERT_EQ(app.start(), StartupResult::Started);
    Strings aside = filesStartingWith("Lumbrel.kds.unreadable-");
    ASSERT_EQ(aside.size(), 2u);
    std::vector<Bytes> kept{readBytes(aside[0]), readBytes(aside[1])};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<Bytes>{first, kGarbage}));
}

TEST_F(Startup, TemporaryFilesOfKilledRunsAreRemoved) {
    // 999999999 is above any process id the kernel hands out: a process that is gone.
    const Strings stale = {home / ".Lumbrel.kds.tmp-999999999-4", home / ".Lumbrel.kd1.tmp-999999999-0",
                           home / ".library.htm.tmp-999999999-17", home / "HTML/2001/.jun.htm.tmp-999999999-2",
                           saveFolder() + "/.Lumbrel.kds.tmp-999999999-4"};
    const std::string self = std::to_string(::getpid());
    const Strings others = {home / (".Lumbrel.kds.tmp-" + self + "-2"),  // a process still running
                            home / ".Lumbrel.kds.tmp-1-2",               // another one
                            home / ".Lumbrel.kds.tmp-999999999",         home / ".Lumbrel.kds.tmp-12-3x",
                            home / "Lumbrel.kds.tmp-999999999-2",        home / ".Lumbrel.kds.tmp--2",
                            saveFolder() + "/20240101/.A.JPG.tmp-999999999-2"};  // libraries: the journal's
    for (const std::string& path : stale) writeText(path, "left over");
    for (const std::string& path : others) writeText(path, "not ours");
    fs::create_directories(home / ".Lumbrel.kd2.tmp-999999999-7");  // a folder is never removed

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    for (const std::string& path : stale) EXPECT_FALSE(fs::exists(path)) << path;
    for (const std::string& path : others) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(fs::is_directory(home / ".Lumbrel.kd2.tmp-999999999-7"));
}

TEST_F(Startup, FailedStartUpSaveIsReported) {
    struct FailureHookOff {
        ~FailureHookOff() { platform::setFailAfter(0); }
    } off;
    // Bytes after the image list are ignored on reading, so saving the opened
    // index gives different bytes: start-up must write it.
    auto doc = movedLibrary();
    writeIndexFile(doc, index());
    Bytes longer = readBytes(index());
    longer.insert(longer.end(), {0xEE, 0xEE});
    writeBytes(index(), longer);

    platform::setFailAfter(1);  // the first file written, the index (there is no save folder)
    {
        Application app(profile, options(), services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        EXPECT_TRUE(app.report().indexSaveFailed);
        EXPECT_EQ(readBytes(index()), longer);
    }
    platform::setFailAfter(0);
    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_FALSE(app.report().indexSaveFailed);
    EXPECT_EQ(readBytes(index()), Bytes(longer.begin(), longer.end() - 2));
}

// --- The template check ---------------------------------------------------------

TEST_F(Startup, MissingTemplatePlugInIsReplacedByTheFirstTemplate) {
    Settings s = settings();
    s.set(setting::DllPath, "./Plugins/gone.so");
    s.set(setting::TemplateBackNo, 2);
    templates.choice = TemplateChoice{"Album", 3, "album.so"};
    std::filesystem::create_directories(home / "Plugins");

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_TRUE(app.report().templateReset);
    EXPECT_EQ(templates.folders, Strings{home / "Plugins"});
    EXPECT_EQ(s.get(setting::TemplateType), "Album");
    EXPECT_EQ(s.get(setting::TemplateTypeNo), 3);
    EXPECT_EQ(s.get(setting::TemplateBackCol), "Green/Gray");
    EXPECT_EQ(s.get(setting::TemplateBackNo), 7);
    EXPECT_EQ(s.get(setting::DllPath), "./Plugins/album.so");
}

TEST_F(Startup, NoTemplateAtAllClearsTheTemplateSettings) {
    Settings s = settings();
    s.set(setting::DllPath, "./Plugins/gone.so");
    s.set(setting::TemplateType, "Album");
    s.set(setting::TemplateTypeNo, 3);
    s.set(setting::TemplateBackCol, "Blue");
    s.set(setting::TemplateBackNo, 2);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_TRUE(app.report().templateReset);
    EXPECT_EQ(s.get(setting::TemplateTypeNo), -1);
    EXPECT_EQ(s.get(setting::TemplateBackNo), -1);
    EXPECT_EQ(s.get(setting::TemplateType), "");
    EXPECT_EQ(s.get(setting::TemplateBackCol), "");
    EXPECT_EQ(s.get(setting::DllPath), "");
}

TEST_F(Startup, PresentTemplatePlugInKeepsTheSettings) {
    writeText(home / "Plugins/album.so", "plug-in");
    templates.choice = TemplateChoice{"Other", 1, "other.so"};
    // Older installations stored the path with backslashes.
    for (const std::string_view dll : {"./Plugins/album.so", ".\\Plugins\\album.so"}) {
        Settings s = settings();
        s.set(setting::DllPath, dll);
        s.set(setting::TemplateType, "Album");
        s.set(setting::TemplateTypeNo, 3);
        s.set(setting::TemplateBackCol, "Blue");
        s.set(setting::TemplateBackNo, 2);

        Application app(profile, options(), services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        EXPECT_FALSE(app.report().templateReset) << dll;
        EXPECT_EQ(s.get(setting::DllPath), dll);
        EXPECT_EQ(s.get(setting::TemplateType), "Album");
        EXPECT_EQ(s.get(setting::TemplateTypeNo), 3);
        EXPECT_EQ(s.get(setting::TemplateBackCol), "Blue");
        EXPECT_EQ(s.get(setting::TemplateBackNo), 2);
    }
    EXPECT_TRUE(templates.folders.empty());
}

// --- Automatic loading, the watcher and its autostart entry ---------------------

TEST_F(Startup, AutomaticLoadingOffIgnoresTheRequestAndStartsNoWatcher) {
    TempDir autostart;
    settings().set(setting::AutoTakeIn, 1);
    writeText(request(), "request");
    installWatcher();
    StartupOptions o = options();
    o.startWatcher = true;
    o.createAutostartEntry = true;
    o.autostartFolder = autostart.path();

    Application app(profile, o, services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_FALSE(app.automaticLoading());
    EXPECT_TRUE(loader.requests.empty());
    EXPECT_FALSE(app.report().autoLoaded);
    EXPECT_FALSE(app.report().watcherStarted);
    EXPECT_FALSE(app.report().autostartCreated);
    EXPECT_FALSE(fs::exists(autostart / "Lumbrel supervisory.desktop"));
    EXPECT_TRUE(fs::exists(request()));
}

TEST_F(Startup, PendingRequestIsLoadedWhileBusyAndKeepsTheWatcherOff) {
    settings().set(setting::AutoTakeIn, 0);
    writeText(request(), "request");
    installWatcher();
    StartupOptions o = options();
    o.startWatcher = true;

    Application app(profile, o, services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    EXPECT_TRUE(app.automaticLoading());
    EXPECT_EQ(loader.requests, Strings{request()});
    EXPECT_TRUE(loader.busyDuringLoad);
    EXPECT_FALSE(isBusy());
    EXPECT_TRUE(app.report().autoLoaded);
    EXPECT_TRUE(app.report().indexOpened);
    EXPECT_FALSE(app.report().watcherStarted);
    EXPECT_FALSE(app.report().newSiteWritten);  // the load made the library
}

TEST_F(Startup, FailedAutomaticLoadEndsStartUp) {
    writeText(request(), "request");
    loader.succeed = false;

    Application app(profile, options(), services());
    EXPECT_EQ(app.start(), StartupResult::AutoLoadFailed);
    EXPECT_EQ(loader.requests, Strings{request()});
    EXPECT_FALSE(app.report().autoLoaded);
    EXPECT_FALSE(isBusy());
}

TEST_F(Startup, WatcherStartsAndItsAutostartEntryIsWrittenOnce) {
    DetachedPrograms programs;
    TempDir autostart;
    installWatcher();
    StartupOptions o = options();
    o.startWatcher = true;
    o.createAutostartEntry = true;
    o.autostartFolder = autostart.path();
    const std::string entry = autostart / "Lumbrel supervisory.desktop";
    {
        Application app(profile, o, services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        EXPECT_TRUE(app.report().watcherStarted);
        EXPECT_TRUE(app.report().autostartCreated);
        EXPECT_TRUE(loader.requests.empty());
        EXPECT_TRUE(waitForFile(marker()));
    }
    // The watcher is told the program folder, so that its requests reach it.
    const Bytes ran = readBytes(marker());
    EXPECT_EQ(std::string(ran.begin(), ran.end()), "ran --home " + home.path() + "\n");
    ASSERT_TRUE(fs::exists(entry));
    const Bytes written = readBytes(entry);
    const std::string content(written.begin(), written.end());
    EXPECT_NE(content.find(home / "Lmauto"), std::string::npos) << content;
    EXPECT_NE(content.find("Path=" + home.path()), std::string::npos) << content;

    // A present entry is the user's: it is not written again.
    writeText(entry, "edited by the user\n");
    fs::remove(marker());
    o.instanceName = uniqueInstanceName();
    Application again(profile, o, services());
    ASSERT_EQ(again.start(), StartupResult::Started);
    EXPECT_FALSE(again.report().autostartCreated);
    EXPECT_TRUE(again.report().watcherStarted);
    EXPECT_TRUE(waitForFile(marker()));
    const Bytes kept = readBytes(entry);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "edited by the user\n");
}

// --- Exit: the index generations ------------------------------------------------

TEST_F(Startup, GenerationsFollowTheRunsThatSaved) {
    fs::create_directories(saveFolder());
    Bytes endOfRun1;
    {
        Application app(profile, options(), services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        app.document().addLibrary(makeAlbum(saveFolder() + "/20240101"));
        ASSERT_TRUE(app.saveIndex());
        endOfRun1 = readBytes(index());
    }  // the destructor ends the run
    EXPECT_EQ(readBytes(generation(1)), endOfRun1);

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    ASSERT_EQ(app.document().albums().size(), 1u);
    app.document().addLibrary(makeAlbum(saveFolder() + "/20240202"));
    ASSERT_TRUE(app.saveIndex());
    const Bytes endOfRun2 = readBytes(index());
    ASSERT_NE(endOfRun2, endOfRun1);
    app.exit();

    EXPECT_EQ(readBytes(generation(1)), endOfRun2);
    EXPECT_EQ(readBytes(generation(2)), endOfRun1);
    EXPECT_FALSE(fs::exists(generation(3)));
    EXPECT_EQ(readBytes(saveCopy()), endOfRun2);
}

TEST_F(Startup, RunsThatChangeNothingLeaveTheIndexFilesAlone) {
    fs::create_directories(saveFolder());
    auto mine = movedLibrary();
    writeIndexFile(mine, index());
    writeBytes(saveCopy(), readBytes(index()));
    writeBytes(generation(1), readBytes(index()));
    for (int g = 2; g <= 5; ++g)
        writeBytes(generation(g), Bytes(static_cast<std::size_t>(g), static_cast<std::uint8_t>(g)));
    const auto before = indexFiles();
    for (int run = 0; run < 4; ++run) {
        Application app(profile, options(), services());
        ASSERT_EQ(app.start(), StartupResult::Started);
        ASSERT_EQ(app.document().albums().size(), 2u);
        app.exit();
        EXPECT_EQ(indexFiles(), before) << "run " << run;
    }
}

TEST_F(Startup, RunThatSavesShiftsTheGenerationsOnce) {
    fs::create_directories(saveFolder());
    auto mine = movedLibrary();
    writeIndexFile(mine, index());
    const Bytes start = readBytes(index());
    writeBytes(generation(1), start);
    writeBytes(generation(2), {2});

    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    app.document().addLibrary(makeAlbum(saveFolder() + "/20240303"));
    ASSERT_TRUE(app.saveIndex());
    app.document().addLibrary(makeAlbum(saveFolder() + "/20240304"));
    ASSERT_TRUE(app.saveIndex());
    const Bytes saved = readBytes(index());
    EXPECT_EQ(readBytes(generation(1)), start);  // generations are made at exit, not at each save
    app.exit();
    EXPECT_EQ(readBytes(generation(1)), saved);
    EXPECT_EQ(readBytes(generation(2)), start);
    EXPECT_EQ(readBytes(generation(3)), Bytes{2});
    EXPECT_FALSE(fs::exists(generation(4)));
    EXPECT_EQ(readBytes(saveCopy()), saved);
}

TEST_F(Startup, RunWithoutAnIndexMakesNoGenerations) {
    fs::create_directories(saveFolder());
    Application app(profile, options(), services());
    ASSERT_EQ(app.start(), StartupResult::Started);
    app.exit();
    EXPECT_FALSE(fs::exists(index()));
    EXPECT_FALSE(fs::exists(generation(1)));
    EXPECT_FALSE(fs::exists(saveCopy()));
}

}  // namespace
}  // namespace lumbrel::app
