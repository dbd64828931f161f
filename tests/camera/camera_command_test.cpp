#include "camera/camera_command.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/busy_flag.h"
#include "camera/camera_folders.h"
#include "camera/fake_prompt.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::camera {
namespace {

using test::RecordingPipeline;
using test::ScriptedPrompt;

class CameraCommand : public ::testing::Test {
protected:
    CameraCommand() : profile_(home_ / "Lumbrel.conf"), settings_(profile_, home_.path()) {}

    // A drive root under the test folder, with the given folders directly under it.
    std::string drive(const std::string& name, std::initializer_list<const char*> folders = {}) {
        const std::string root = home_ / name + "/";
        std::filesystem::create_directories(root);
        for (const char* folder : folders) std::filesystem::create_directories(root + folder);
        return root;
    }

    CameraResult run(const std::vector<std::string>& roots) {
        const CameraResult result = loadFromCamera(roots, settings_, prompt_, pipeline_.function());
        EXPECT_FALSE(app::isBusy()) << "the busy flag stays raised";
        return result;
    }

    lumbrel::test::TempDir home_;
    platform::Profile profile_;
    app::Settings settings_;
    ScriptedPrompt prompt_;
    RecordingPipeline pipeline_;
};

const std::string kConfirm = "confirm:Lumbrel|Recognized card/camera\nStarting loading";

TEST_F(CameraCommand, NoDriveEndsSilently) {
    EXPECT_EQ(run({}), CameraResult::NoDrive);
    EXPECT_TRUE(prompt_.calls.empty());
    EXPECT_TRUE(pipeline_.calls.empty());
}

TEST_F(CameraCommand, DrivesWithoutCameraFoldersSayNothingWasFound) {
    EXPECT_EQ(run({drive("disk", {"home", "usr"}), home_ / "unreadable/"}), CameraResult::NothingFound);
    EXPECT_EQ(prompt_.calls, std::vector<std::string>{"message:256|Could not find images to load."});
    EXPECT_TRUE(pipeline_.calls.empty());
}

TEST_F(CameraCommand, OneFolderLoadsAfterConfirmationWithoutChoice) {
    const std::string card = drive("card", {"DCIM"});
    EXPECT_EQ(run({drive("disk", {"home"}), card}), CameraResult::Loaded);
    EXPECT_EQ(prompt_.calls, std::vector<std::string>{kConfirm});
    ASSERT_EQ(pipeline_.calls.size(), 1u);
    EXPECT_EQ(pipeline_.calls[0], std::vector<std::string>{card + "DCIM"});
    EXPECT_EQ(pipeline_.captions[0], "");
    EXPECT_TRUE(pipeline_.busyDuringLoad);
}

TEST_F(CameraCommand, TwoCardsAreOfferedSortedAndLoadedInChosenOrder) {
    const std::string e = drive("E", {"DCIM"});
    const std::string d = drive("d", {"dcim"});
    prompt_.choice = std::vector<std::size_t>{1, 0, 1, 7};  // repeats and strays are dropped
    EXPECT_EQ(run({e, d}), CameraResult::Loaded);
    EXPECT_EQ(prompt_.calls, (std::vector<std::string>{kConfirm, "choose"}));
    // The choice shows upper case; the pipeline gets the names as they are.
    const std::string upperHome = toUpper(home_.path());
    EXPECT_EQ(prompt_.offered, (std::vector<std::string>{upperHome + "/D/DCIM", upperHome + "/E/DCIM"}));
    ASSERT_EQ(pipeline_.calls.size(), 1u);
    EXPECT_EQ(pipeline_.calls[0], (std::vector<std::string>{e + "DCIM", d + "dcim"}));
}

TEST_F(CameraCommand, SuspendAndCancelLoadNothing) {
    const std::string d = drive("d", {"DCIM"});
    const std::string e = drive("e", {"DCIM"});
    prompt_.confirm = false;
    EXPECT_EQ(run({d, e}), CameraResult::Suspended);
    EXPECT_EQ(prompt_.calls, std::vector<std::string>{kConfirm});

    prompt_.confirm = true;
    prompt_.choice.reset();
    EXPECT_EQ(run({d, e}), CameraResult::Cancelled);
    prompt_.choice = std::vector<std::size_t>{};
    EXPECT_EQ(run({d, e}), CameraResult::Cancelled);
    EXPECT_TRUE(pipeline_.calls.empty());
}

TEST_F(CameraCommand, HiddenConfirmationAndFailingPipeline) {
    ASSERT_TRUE(settings_.set(app::setting::ShowDialog, 1));
    const std::string d = drive("d", {"DCIM"});
    pipeline_.succeed = false;
    EXPECT_EQ(run({d}), CameraResult::LoadFailed);
    EXPECT_TRUE(prompt_.calls.empty());
    pipeline_.raise = true;
    EXPECT_EQ(run({d}), CameraResult::LoadFailed);
    EXPECT_EQ(pipeline_.calls.size(), 2u);
}

}  // namespace
}  // namespace lumbrel::camera
