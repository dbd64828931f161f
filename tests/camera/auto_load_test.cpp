#include "camera/auto_load.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/busy_flag.h"
#include "camera/fake_prompt.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::camera {
namespace {

using test::RecordingPipeline;
using test::ScriptedPrompt;

const std::string kConfirm =
    "confirm:Lumbrel automatic loading|Recognized card/camera\nStarting automatic loading";

class AutoLoad : public ::testing::Test {
protected:
    AutoLoad() : profile_(home_ / "Lumbrel.conf"), settings_(profile_, home_.path()) {}

    std::string drive(const std::string& name, std::initializer_list<const char*> folders) {
        const std::string root = home_ / name + "/";
        std::filesystem::create_directories(root);
        for (const char* folder : folders) std::filesystem::create_directories(root + folder);
        return root;
    }

    // The request file as the watcher writes it.
    void request(const std::string& text) { lumbrel::test::writeText(requestFile_, text + std::string(1, '\0')); }

    AutoLoadResult run() {
        const AutoLoadResult result = runAutomaticLoad(requestFile_, settings_, prompt_, pipeline_.function());
        EXPECT_FALSE(platform::exists(requestFile_)) << "the request file stays";
        EXPECT_FALSE(app::isBusy());
        return result;
    }

    lumbrel::test::TempDir home_;
    const std::string requestFile_ = home_ / "Lumbrel.tmp";
    platform::Profile profile_;
    app::Settings settings_;
    ScriptedPrompt prompt_;
    RecordingPipeline pipeline_;
};

TEST_F(AutoLoad, LoadsOnlyTheFirstDriveNamedWithItsOwnCaption) {
    const std::string first = drive("first", {"DCIM"});
    const std::string second = drive("second", {"DCIM"});
    // The first root comes without its trailing separator: it is added.
    request(first.substr(0, first.size() - 1) + "\r\n" + second + "\r\n");
    EXPECT_EQ(run(), AutoLoadResult::Loaded);
    EXPECT_EQ(prompt_.calls, std::vector<std::string>{kConfirm});
    ASSERT_EQ(pipeline_.calls.size(), 1u);
    EXPECT_EQ(pipeline_.calls[0], std::vector<std::string>{first + "DCIM"});
    EXPECT_EQ(pipeline_.captions[0], "Lumbrel automatic loading");
    EXPECT_TRUE(pipeline_.busyDuringLoad);
}

TEST_F(AutoLoad, SuspendRemovesTheRequestWithoutScanning) {
    request(drive("card", {"DCIM"}) + "\r\n");
    prompt_.confirm = false;
    EXPECT_EQ(run(), AutoLoadResult::Suspended);
    EXPECT_TRUE(pipeline_.calls.empty());
}

TEST_F(AutoLoad, SeveralFoldersAskForAChoiceAndCancelEndsTheRun) {
    const std::string card = drive("card", {"DCIM", "Photos"});
    lumbrel::test::writeText(card + "Photos/KDCAM.KDS", "");
    request(card + "\r\n");
    prompt_.choice.reset();
    EXPECT_EQ(run(), AutoLoadResult::Cancelled);
    EXPECT_EQ(prompt_.calls, (std::vector<std::string>{kConfirm, "choose"}));
    EXPECT_EQ(prompt_.offered.size(), 2u);
    EXPECT_TRUE(pipeline_.calls.empty());
}

TEST_F(AutoLoad, TheRequestGoesOnEveryWayOut) {
    ASSERT_TRUE(settings_.set(app::setting::ShowDialog, 1));
    const std::string card = drive("card", {"DCIM"});

    request(drive("empty", {"Music"}) + "\r\n");  // no camera folder
    EXPECT_EQ(run(), AutoLoadResult::NothingFound);
    request("");                                  // no drive named
    EXPECT_EQ(run(), AutoLoadResult::NothingFound);
    request("relative/path\r\n");
    EXPECT_EQ(run(), AutoLoadResult::NothingFound);
    EXPECT_EQ(runAutomaticLoad(requestFile_, settings_, prompt_, pipeline_.function()),
              AutoLoadResult::NothingFound);  // no request file at all
    EXPECT_TRUE(pipeline_.calls.empty());

    request(card + "\r\n");
    pipeline_.succeed = false;
    EXPECT_EQ(run(), AutoLoadResult::LoadFailed);
    request(card + "\r\n");
    pipeline_.raise = true;
    EXPECT_EQ(run(), AutoLoadResult::LoadFailed);
    EXPECT_TRUE(prompt_.calls.empty());  // ShowDialog 1: no confirmation

    // Only a failed load is a failure for start-up.
    AutoLoader loader(settings_, prompt_, pipeline_.function());
    request(card + "\r\n");
    EXPECT_FALSE(loader.load(requestFile_));
    request(home_ / "nothing/\r\n");
    EXPECT_TRUE(loader.load(requestFile_));
}

class CountingLoader : public app::AutomaticLoader {
public:
    bool load(const std::string& requestFile) override {
        files.push_back(requestFile);
        return true;
    }
    std::vector<std::string> files;
};

TEST_F(AutoLoad, ThePollWaitsForTheFileAnIdleProgramAndAutomaticLoadingOn) {
    CountingLoader loader;
    EXPECT_FALSE(pollRequestFile(home_.path(), settings_, loader));  // no request

    request("/media/card/\r\n");
    {
        app::BusyScope manualLoad;
        EXPECT_FALSE(pollRequestFile(home_.path(), settings_, loader));
    }
    ASSERT_TRUE(settings_.set(app::setting::AutoTakeIn, 1));
    EXPECT_FALSE(pollRequestFile(home_.path(), settings_, loader));
    EXPECT_TRUE(loader.files.empty());

    ASSERT_TRUE(settings_.set(app::setting::AutoTakeIn, 0));
    EXPECT_TRUE(pollRequestFile(home_.path(), settings_, loader));
    EXPECT_EQ(loader.files, std::vector<std::string>{requestFile_});
}

}  // namespace
}  // namespace lumbrel::camera
