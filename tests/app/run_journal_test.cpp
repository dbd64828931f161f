// The run journal as a stopped process leaves it: each test writes a journal
// through RunJournal, lets the object go without ending the run (as kill -9
// would), and checks what the next start's replay makes of the folders.

#include "app/run_journal.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "library/index_file.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace lumbrel::app {
namespace {

using lumbrel::test::readBytes;
using lumbrel::test::TempDir;
using lumbrel::test::writeText;

std::string text(const std::string& path) {
    const auto bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::uint64_t hashOf(std::string_view bytes) {
    return library::indexHash(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

struct JournalTest : ::testing::Test {
    TempDir dir;
    std::string journal() const { return dir / std::string(kJournalFileName); }
    std::string temporaryOf(const std::string& folder, std::string_view name, long pid) const {
        return platform::joinPath(folder, "." + std::string(name) + ".tmp-" + std::to_string(pid) + "-7");
    }
};

TEST_F(JournalTest, AStoppedRunBeforeItsCommitIsTakenBackWhole) {
    writeText(dir / "old.JPG", "library picture");
    writeText(dir / "card.JPG", "card picture");
    {
        RunJournal run;
        ASSERT_TRUE(run.open(journal(), false));
        EXPECT_FALSE(RunJournal().open(journal(), false)) << "one run at a time";
        ASSERT_TRUE(run.makeFolder(dir / "20240105"));
        ASSERT_TRUE(run.willCreate(dir / "20240105/A.JPG"));
        ASSERT_TRUE(run.sync());
        writeText(dir / "20240105/A.JPG", "copy");
        ASSERT_TRUE(run.setAside(dir / "old.JPG"));
        ASSERT_TRUE(run.willCreate(dir / "old.JPG"));
        writeText(dir / "old.JPG", "replacement");
        ASSERT_TRUE(run.moveOnCommit(dir / "card.JPG", dir / "20240105/A.JPG", *platform::fileIdentity(dir / "card.JPG")));
        ASSERT_TRUE(run.willCreate(dir / "20240105/B.JPG"));  // journaled, never written
        // The process's half-written copy, and one of another process.
        writeText(temporaryOf(dir / "20240105", "B.JPG", ::getpid()), "half");
        writeText(temporaryOf(dir.path(), "other.JPG", ::getpid() + 1), "not ours");
    }  // stopped: the journal stays
    ASSERT_TRUE(platform::exists(journal()));

    const InterruptedRun run = replayJournal(dir.path());
    EXPECT_TRUE(run.found);
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(text(dir / "old.JPG"), "library picture") << "the file set aside is back";
    EXPECT_EQ(text(dir / "card.JPG"), "card picture") << "the card is never touched before the commit";
    EXPECT_FALSE(platform::exists(dir / "20240105")) << "the folder and what the run wrote in it go";
    EXPECT_TRUE(platform::exists(temporaryOf(dir.path(), "other.JPG", ::getpid() + 1)));
    EXPECT_FALSE(platform::exists(journal()));
    EXPECT_FALSE(replayJournal(dir.path()).found);
}

TEST_F(JournalTest, AnIndexHoldingTheAnnouncedBytesCommitsTheRunAndOnlyUnchangedCardFilesGo) {
    ASSERT_TRUE(platform::makeDirectory(dir / "card"));
    ASSERT_TRUE(platform::makeDirectory(dir / "lib"));
    writeText(dir / "card/A.JPG", "a");
    writeText(dir / "card/B.JPG", "b");
    writeText(dir / "lib/A.JPG", "a");
    writeText(dir / "lib/B.JPG", "b");
    const std::string index = dir / "Lumbrel.kds", copy = dir / "lib/Lumbrel.kds";
    {
        RunJournal run;
        ASSERT_TRUE(run.open(journal(), false));
        ASSERT_TRUE(run.moveOnCommit(dir / "card/A.JPG", dir / "lib/A.JPG", *platform::fileIdentity(dir / "card/A.JPG")));
        ASSERT_TRUE(run.moveOnCommit(dir / "card/B.JPG", dir / "lib/B.JPG", *platform::fileIdentity(dir / "card/B.JPG")));
        ASSERT_TRUE(run.savingIndex(hashOf("new index"), index, copy));
        ASSERT_TRUE(run.cleanOnCommit(dir / "card"));
    }
    // Stopped between the copy and the index: the copy holds the new bytes.
    writeText(copy, "new index");
    writeText(index, "old index");
    // Another card in the reader under the same name.
    ASSERT_TRUE(platform::deleteFile(dir / "card/B.JPG"));
    writeText(dir / "card/B.JPG", "another card's picture");

    const InterruptedRun run = replayJournal(dir.path());
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(text(index), "new index") << "the index takes the newer copy";
    EXPECT_FALSE(platform::exists(dir / "card/A.JPG"));
    EXPECT_EQ(text(dir / "card/B.JPG"), "another card's picture");
    EXPECT_EQ(run.sourcesKept, std::vector<std::string>{dir / "card/B.JPG"});
    EXPECT_TRUE(platform::exists(dir / "card")) << "a card folder that still holds a file stays";
    EXPECT_FALSE(platform::exists(journal()));
}

TEST_F(JournalTest, ADamagedTailEndsTheRecordsAndNothingElseIsTaken) {
    {
        RunJournal run;
        ASSERT_TRUE(run.open(journal(), false));
        ASSERT_TRUE(run.makeFolder(dir / "kept-out"));
    }
    // A record cut short, and one whose check sum does not match.
    {
        std::FILE* f = std::fopen(journal().c_str(), "ab");
        std::fputs("F 5:abcde #12345678\nF 3:ab", f);
        std::fclose(f);
    }
    writeText(dir / "abcde", "not the run's");
    const InterruptedRun run = replayJournal(dir.path());
    EXPECT_FALSE(run.finished);
    EXPECT_FALSE(platform::exists(dir / "kept-out"));
    EXPECT_TRUE(platform::exists(dir / "abcde")) << "a record that fails its check sum is not followed";
}

TEST_F(JournalTest, PagesLeftToWriteKeepTheJournalMarkedCommittedUntilTheyAreDone) {
    const std::string index = dir / "Lumbrel.kds";
    writeText(index, "saved");
    {
        RunJournal run;
        ASSERT_TRUE(run.open(journal(), true));
        ASSERT_TRUE(run.pagesToWrite(dir / "lib/20240105"));
        ASSERT_TRUE(run.savingIndex(hashOf("saved"), index, ""));
        ASSERT_TRUE(run.writingPages(dir / "lib/20240105", 1234));
    }
    InterruptedRun run = replayJournal(dir.path());
    EXPECT_TRUE(run.finished);
    EXPECT_TRUE(run.folderMode);
    EXPECT_EQ(run.touched, std::vector<std::string>{dir / "lib/20240105"});
    EXPECT_EQ(run.pageBytesBefore.at(dir / "lib/20240105"), 1234);
    EXPECT_FALSE(run.sizesSaved);
    ASSERT_TRUE(platform::exists(journal()));

    // The finish saves the index again and is stopped: the journal still says committed.
    writeText(index, "saved with the sizes");
    run = replayJournal(dir.path());
    EXPECT_TRUE(run.finished);
    endJournal(dir.path());
    EXPECT_FALSE(platform::exists(journal()));
}

}  // namespace
}  // namespace lumbrel::app
