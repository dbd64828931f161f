#include "web/template_choice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::web {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::TempDir;

class TemplateChoice : public ::testing::Test {
protected:
    void install(const char* builtFile) {
        fs::create_directories(plugins);
        fs::copy_file(builtFile, fs::path(plugins) / fs::path(builtFile).filename());
    }
    void installAll() {
        install(LUMBREL_FAKE_PLUGIN_A);
        install(LUMBREL_FAKE_PLUGIN_B);
        install(LUMBREL_TEST_PLUGIN);
    }
    std::size_t indexOf(const TemplatePicker& picker, const std::string& title, const std::string& file) {
        for (std::size_t i = 0; i < picker.entries().size(); ++i)
            if (picker.entries()[i].title == title && picker.entries()[i].pluginFile == file) return i;
        ADD_FAILURE() << title;
        return 0;
    }
    TempDir home;
    const std::string plugins = home / "Plugins";
};

TEST_F(TemplateChoice, InterleavedTitlesChooseThePlugInThatOwnsThem) {
    installAll();
    TemplatePicker picker(plugins);
    picker.open({"./Plugins/KdPlugin.so", 0, 7});
    ASSERT_EQ(picker.entries().size(), 10u);
    EXPECT_EQ(picker.entries()[*picker.selectedTemplate()].title, "Type 1");
    EXPECT_EQ(picker.selectedColour(), 7);
    EXPECT_EQ(picker.colourNames().size(), 17u);
    EXPECT_EQ(picker.summary(), "Type 1\n  Display information\n  Slide show\n  List\ncan be displayed\n");

    // "Charlie" (plug-in b, between a's "Beta" and "delta"): b has no colours.
    EXPECT_TRUE(picker.selectTemplate(indexOf(picker, "Charlie", "fake_plugin_b.so")));
    EXPECT_TRUE(picker.colourNames().empty());
    EXPECT_FALSE(picker.selectedColour());
    EXPECT_FALSE(picker.sample());
    auto chosen = picker.choice();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (ChosenTemplate{"Charlie", 1, "", 0, "fake_plugin_b.so"}));

    // "delta" (plug-in a): its five colours, colour 0.
    EXPECT_TRUE(picker.selectTemplate(indexOf(picker, "delta", "fake_plugin_a.so")));
    EXPECT_EQ(picker.colourNames().front(), "Red/white");
    picker.selectColour(4);
    // "Beta" of the same plug-in keeps the colours and the colour picked.
    EXPECT_FALSE(picker.selectTemplate(indexOf(picker, "Beta", "fake_plugin_a.so")));
    EXPECT_EQ(picker.selectedColour(), 4);
    EXPECT_EQ(*picker.choice(), (ChosenTemplate{"Beta", 0, "Gray/black", 4, "fake_plugin_a.so"}));

    EXPECT_FALSE(picker.selectTemplate(99));  // outside the list: nothing changes
    picker.selectColour(5);
    EXPECT_EQ(picker.selectedColour(), 4);
}

TEST_F(TemplateChoice, FiveColoursWhileTheSettingSaysSevenOpenOnColourZero) {
    installAll();
    TemplatePicker picker(plugins);
    picker.open({"./Plugins/fake_plugin_a.so", 1, 7});
    EXPECT_EQ(picker.entries()[*picker.selectedTemplate()].title, "delta");
    EXPECT_EQ(picker.selectedColour(), 0);

    // A plug-in that is gone: the first template, colour 0 as it has none.
    TemplatePicker gone(plugins);
    gone.open({"./Plugins/deleted.so", 1, 7});
    EXPECT_EQ(gone.selectedTemplate(), 0u);
    EXPECT_EQ(gone.entries()[0].title, "alpha");
    EXPECT_FALSE(gone.selectedColour());
}

TEST_F(TemplateChoice, TheSampleIsShownOnlyWhenItHasTheSizeAnnounced) {
    installAll();
    TemplatePicker picker(plugins);
    picker.open({"./Plugins/KdPlugin.so", 2, 12});
    ASSERT_TRUE(picker.sample());
    EXPECT_EQ(picker.sample()->width, 100);
    EXPECT_EQ(picker.sample()->height, 40);
    EXPECT_EQ(picker.sample()->rgb.size(), 100u * 40u * 3u);

    picker.selectTemplate(indexOf(picker, "delta", "fake_plugin_a.so"));
    picker.selectColour(3);  // fills another size than it announced
    EXPECT_FALSE(picker.sample());
}

TEST_F(TemplateChoice, NoPlugInsNothingToChoose) {
    TemplatePicker picker(plugins);
    picker.open({"", 0, 7});
    EXPECT_TRUE(picker.entries().empty());
    EXPECT_FALSE(picker.choice());
}

TEST_F(TemplateChoice, SaveWritesTheFiveSettings) {
    platform::Profile profile(home / "s.conf");
    app::Settings settings(profile, home.path());
    ASSERT_TRUE(saveTemplateChoice(settings, {"Type 2", 1, "Blue/gray", 8, "KdPlugin.so"}));
    EXPECT_EQ(settings.get(app::setting::TemplateType), "Type 2");
    EXPECT_EQ(settings.get(app::setting::TemplateTypeNo), 1);
    EXPECT_EQ(settings.get(app::setting::TemplateBackCol), "Blue/gray");
    EXPECT_EQ(settings.get(app::setting::TemplateBackNo), 8);
    EXPECT_EQ(settings.get(app::setting::DllPath), "./Plugins/KdPlugin.so");
    EXPECT_EQ(choiceText("Type 2", "Blue/gray"), "Type 2 / Background Blue/gray");
}

std::vector<std::uint8_t> dib(std::int32_t width, std::int32_t height, std::uint16_t bits, std::size_t pixelBytes) {
    std::vector<std::uint8_t> b(40 + pixelBytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(bits);
    return b;
}

TEST(SampleImage, DecodesBottomUpBgrRowsAndRefusesWhatTheBytesDoNotHold) {
    // 2 x 2, 24 bits: rows of 6 bytes padded to 8, bottom row first.
    auto b = dib(2, 2, 24, 16);
    const std::uint8_t bottom[] = {1, 2, 3, 4, 5, 6}, top[] = {7, 8, 9, 10, 11, 12};
    std::copy(std::begin(bottom), std::end(bottom), b.begin() + 40);
    std::copy(std::begin(top), std::end(top), b.begin() + 48);
    auto image = decodeSample(b);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgb, (std::vector<std::uint8_t>{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));

    auto topDown = dib(2, -2, 24, 16);
    std::copy(std::begin(bottom), std::end(bottom), topDown.begin() + 40);
    image = decodeSample(topDown);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgb[0], 3);

    EXPECT_FALSE(decodeSample(dib(2, 2, 24, 15)));          // one byte short
    EXPECT_FALSE(decodeSample(dib(2, 2, 8, 16)));           // a palette picture
    EXPECT_FALSE(decodeSample(dib(0, 2, 24, 16)));
    EXPECT_FALSE(decodeSample(dib(5000, 1, 24, 15000)));    // too large a sample
    EXPECT_FALSE(decodeSample(dib(1, INT32_MIN, 24, 16)));  // no height to take
    auto colours = dib(1, 1, 32, 4);
    colours[32] = 0xff;  // a colour table of 255 entries the bytes do not hold
    EXPECT_FALSE(decodeSample(colours));
    EXPECT_FALSE(decodeSample(std::vector<std::uint8_t>(39, 0)));
}

}  // namespace
}  // namespace lumbrel::web
