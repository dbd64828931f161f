#include "web/plugin_host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/settings.h"
#include "library/album_doc.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::web {
namespace {

namespace fs = std::filesystem;
using lumbrel::test::TempDir;
using lumbrel::test::writeText;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

// A program folder whose Plugins folder holds the plug-ins a test puts there.
// The folder exists from the start: a program folder without one would use
// the Plugins folder beside the running test program.
class PluginHost : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(plugins); }
    void install(const char* builtFile, const std::string& name = "") {
        fs::create_directories(plugins);
        const fs::path from(builtFile);
        fs::copy_file(from, fs::path(plugins) / (name.empty() ? from.filename().string() : name));
    }
    void installBoth() {
        install(LUMBREL_FAKE_PLUGIN_A);
        install(LUMBREL_FAKE_PLUGIN_B);
    }
    TempDir home;
    const std::string plugins = home / "Plugins";
    platform::Profile profile{home / "settings.conf"};
    app::Settings settings{profile, home.path()};
};

TEST_F(PluginHost, TitlesOfAllPlugInsMergeIntoOneSortedList) {
    installBoth();
    writeText(plugins + "/broken.so", "not a shared object");  // skipped
    writeText(plugins + "/readme.txt", "not a plug-in");
    const std::vector<TemplateEntry> expected{
        {"alpha", 0, "fake_plugin_b.so"}, {"Beta", 0, "fake_plugin_a.so"},  {"BETA", 3, "fake_plugin_b.so"},
        {"Charlie", 1, "fake_plugin_b.so"}, {"delta", 1, "fake_plugin_a.so"}, {"echo", 2, "fake_plugin_b.so"},
    };
    EXPECT_EQ(enumerateTemplates(plugins), expected);

    PluginTemplateFinder finder;
    const auto first = finder.firstTemplate(plugins);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->title, "alpha");
    EXPECT_EQ(first->number, 0);
    EXPECT_EQ(first->pluginFile, "fake_plugin_b.so");
}

TEST_F(PluginHost, NoPlugInsNoTemplates) {
    EXPECT_TRUE(enumerateTemplates(home / "none").empty());  // no Plugins folder at all
    fs::create_directories(plugins);
    EXPECT_TRUE(enumerateTemplates(plugins).empty());
    EXPECT_FALSE(PluginTemplateFinder().firstTemplate(plugins));
    EXPECT_FALSE(initialSelection(plugins, {}, "", 0, 7));
}

TEST(PluginNameList, ReadsNoFurtherThanTheListAndTheCount) {
    const Bytes list{4, 'a', 'b', 0, 3, 'c', 0, 0};
    EXPECT_EQ(readNameList(list, 2), (Strings{"ab", "c"}));
    EXPECT_EQ(readNameList(list, 1), (Strings{"ab"}));
    EXPECT_EQ(readNameList(list, 9), (Strings{"ab", "c"}));  // the terminating 0 ends it
    EXPECT_TRUE(readNameList(list, 0).empty());
    EXPECT_TRUE(readNameList({}, 3).empty());
    // An entry running past the end, and a length byte that would never move on.
    EXPECT_EQ(readNameList(Bytes{4, 'a', 'b', 0, 9, 'c', 0}, 2), (Strings{"ab"}));
    EXPECT_EQ(readNameList(Bytes{3, 'a', 0, 1, 1, 1}, 5), (Strings{"a"}));
    // A 0 inside the text ends it there.
    EXPECT_EQ(readNameList(Bytes{5, 'a', 0, 'b', 0, 0}, 1), (Strings{"a"}));
}

// --- Start-up's default template ---------------------------------------------

class DefaultTemplate : public PluginHost {
protected:
    void start() {
        app::StartupOptions options;
        options.programFolder = home.path();
        options.instanceName.clear();
        PluginTemplateFinder finder;
        app::StartupServices services;
        services.templates = &finder;
        app::Application application(profile, options, services);
        ASSERT_EQ(application.start(), app::StartupResult::Started);
    }
};

TEST_F(DefaultTemplate, DeletedPlugInFallsBackToTheFirstTemplate) {
    installBoth();
    settings.set(app::setting::DllPath, "./Plugins/deleted.so");
    settings.set(app::setting::TemplateType, "Old");
    settings.set(app::setting::TemplateTypeNo, 3);
    settings.set(app::setting::TemplateBackCol, "Blue/black");
    settings.set(app::setting::TemplateBackNo, 13);
    start();
    EXPECT_EQ(settings.get(app::setting::DllPath), "./Plugins/fake_plugin_b.so");
    EXPECT_EQ(settings.get(app::setting::TemplateType), "alpha");
    EXPECT_EQ(settings.get(app::setting::TemplateTypeNo), 0);
    EXPECT_EQ(settings.get(app::setting::TemplateBackCol), "Green/Gray");
    EXPECT_EQ(settings.get(app::setting::TemplateBackNo), 7);
}

TEST_F(DefaultTemplate, NoPlugInsClearTheChoice) {
    writeText(plugins + "/broken.so", "not a shared object");
    start();
    EXPECT_EQ(settings.get(app::setting::DllPath), "");
    EXPECT_EQ(settings.get(app::setting::TemplateType), "");
    EXPECT_EQ(settings.get(app::setting::TemplateBackCol), "");
    EXPECT_EQ(settings.get(app::setting::TemplateTypeNo), -1);
    EXPECT_EQ(settings.get(app::setting::TemplateBackNo), -1);
}

// --- The selection dialog's data ------------------------------------------------

TEST_F(PluginHost, SummariesAndColourPatterns) {
    installBoth();
    EXPECT_EQ(templateSummary(plugins, {"delta", 1, "fake_plugin_a.so"}), "About delta");
    EXPECT_EQ(templateSummary(plugins, {"delta", 5, "fake_plugin_a.so"}), "");   // beyond its list
    EXPECT_EQ(templateSummary(plugins, {"gone", 0, "missing.so"}), "");
    EXPECT_EQ(colourPatternNames(plugins, "fake_plugin_a.so"),
              (Strings{"Red/white", "Red/gray", "Blue/white", "Blue/gray", "Gray/black"}));
    EXPECT_TRUE(colourPatternNames(plugins, "fake_plugin_b.so").empty());  // lacks the export

    EXPECT_EQ(colourSampleDib(plugins, "fake_plugin_a.so", 1), Bytes(16, 1));
    EXPECT_FALSE(colourSampleDib(plugins, "fake_plugin_a.so", 3));  // filled another size than announced
    EXPECT_FALSE(colourSampleDib(plugins, "fake_plugin_a.so", 5));
    EXPECT_FALSE(colourSampleDib(plugins, "fake_plugin_b.so", 0));
}

TEST_F(PluginHost, DialogOpensOnTheCurrentTemplateAndAColourItOffers) {
    installBoth();
    install(LUMBREL_TEST_PLUGIN);
    const auto entries = enumerateTemplates(plugins);
    ASSERT_EQ(entries.size(), 10u);

    // Five colour patterns while the setting says 7: colour 0.
    auto s = initialSelection(plugins, entries, "./Plugins/fake_plugin_a.so", 1, 7);
    ASSERT_TRUE(s);
    EXPECT_EQ(entries[s->entry].title, "delta");
    EXPECT_EQ(s->colourNames.size(), 5u);
    EXPECT_EQ(s->colour, 0);

    // The delivered plug-in offers the stored colour; file names match ignoring case.
    s = initialSelection(plugins, entries, "./Plugins/kdplugin.SO", 2, 12);
    ASSERT_TRUE(s);
    EXPECT_EQ(entries[s->entry].title, "Type 3");
    EXPECT_EQ(s->colourNames.size(), 17u);
    EXPECT_EQ(s->colour, 12);
    EXPECT_EQ(colourSampleDib(plugins, "KdPlugin.so", 12).value_or(Bytes{}).size(), 12042u);

    // No such template: the first entry.
    s = initialSelection(plugins, entries, "./Plugins/KdPlugin.so", 9, 12);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->entry, 0u);
    EXPECT_EQ(s->colour, 0);  // "alpha" comes from a plug-in without colours
}

// --- Album pages ---------------------------------------------------------------

class AlbumPages : public PluginHost {
protected:
    void SetUp() override {
        library::CAlbumData album;
        album.folderPath = library;
        doc.addLibrary(album);
        album.folderPath = home / "Image Library/20240306";
        doc.addLibrary(album);
        for (const std::string& path :
             {library + "/P1.JPG", library + "/P0.JPG", home / "Image Library/20240306/Q.JPG"})
            doc.addImage(library::CPhotoData({path, "2024", "03", "05", "", "", ""}, 10, 0));
        fs::create_directories(library);
        settings.set(app::setting::PrintButton, 1);
        settings.set(app::setting::TempSize, 1);
        settings.set(app::setting::MailName, "Mailer");
    }
    std::string recordedCall() const {
        std::ifstream in(library + "/make_html_call.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    const std::string library = home / "Image Library/20240305";
    library::CKDCardAlbumDoc doc;
};

TEST_F(AlbumPages, PlugInGetsTheLibrarysImagesAndTheSettings) {
    installBoth();
    ASSERT_TRUE(writeAlbumPages(settings, doc, library, "./Plugins/fake_plugin_a.so", 1, 4));
    EXPECT_EQ(recordedCall(), library + "\n2\n" + library + "/P0.JPG\n" + library + "/P1.JPG\n1 4 1 1\nMailer\n");

    // Values given by the caller instead of the settings.
    ASSERT_TRUE(writeAlbumPages(home.path(), doc, library, "./Plugins/fake_plugin_a.so", 0, 2,
                                AlbumPageValues{0, 0, "Email software is not assigned"}));
    EXPECT_NE(recordedCall().find("\n0 2 0 0\nEmail software is not assigned\n"), std::string::npos);
}

TEST_F(AlbumPages, FailuresOfThePlugInOrItsAbsence) {
    installBoth();
    EXPECT_FALSE(writeAlbumPages(settings, doc, library, "./Plugins/fake_plugin_a.so", 0, 7));  // it refuses
    EXPECT_TRUE(fs::exists(library + "/make_html_call.txt"));
    EXPECT_FALSE(writeAlbumPages(settings, doc, library, "./Plugins/fake_plugin_b.so", 0, 0));  // no export
    EXPECT_FALSE(writeAlbumPages(settings, doc, library, "./Plugins/missing.so", 0, 0));
    EXPECT_FALSE(writeAlbumPages(settings, doc, library, "", 0, 0));
}

}  // namespace
}  // namespace lumbrel::web
