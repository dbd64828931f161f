// The plug-in boundary as the host sees it: the built KdPlugin.so is loaded
// with dlopen and its six exports are called through dlsym.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/kdplugin.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kCanary = 0xA5;

// A name list built by hand: length byte, text, 0 per entry, then one 0.
Bytes nameList(const std::vector<std::string_view>& names) {
    Bytes out;
    for (std::string_view n : names) {
        out.push_back(static_cast<std::uint8_t>(n.size() + 2));
        out.insert(out.end(), n.begin(), n.end());
        out.push_back(0);
    }
    out.push_back(0);
    return out;
}

class KdPluginExports : public ::testing::Test {
protected:
    void SetUp() override {
        module = dlopen(LUMBREL_TEST_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        title = symbol<KdNameListFn>("GetPluginTitle");
        patterns = symbol<KdNameListFn>("GetColorPattern");
        summary = symbol<KdIndexedBytesFn>("GetTemplateSummary");
        sample = symbol<KdIndexedBytesFn>("GetTemplateColorSample");
        dib = symbol<KdIndexedBytesFn>("GetTemplateColorSampleDIB");
        makeHtml = symbol<KdMakeHtmlFileFn>("MakeHtmlFile");
    }
    void TearDown() override {
        if (module) dlclose(module);
    }
    template <typename Fn>
    Fn symbol(const char* name) {
        Fn fn = reinterpret_cast<Fn>(dlsym(module, name));
        EXPECT_NE(fn, nullptr) << name;
        return fn;
    }
    // Calls fn for index into a buffer of `size` canary bytes; true when no
    // byte changed.
    static bool leavesBufferAlone(KdIndexedBytesFn fn, std::int32_t index, std::size_t size) {
        Bytes buffer(size, kCanary);
        return fn(index, nullptr) == 0 && fn(index, buffer.data()) == 0 && buffer == Bytes(size, kCanary);
    }

    void* module = nullptr;
    KdNameListFn title = nullptr, patterns = nullptr;
    KdIndexedBytesFn summary = nullptr, sample = nullptr, dib = nullptr;
    KdMakeHtmlFileFn makeHtml = nullptr;
};

TEST_F(KdPluginExports, ExportsOnlyTheSixFunctions) {
    // The core library and the C++ runtime linked into the plug-in stay hidden.
    // A lookup through the module's handle also searches the libraries it
    // depends on (the date library brings the shared C++ runtime), so a symbol
    // found must not lie in the plug-in itself.
    Dl_info own{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(title), &own), 0);
    for (const char* hidden : {"_ZN7lumbrel6plugin10writeAlbumERKNS0_12AlbumRequestE", "_Znwm",
                               "__gxx_personality_v0", "__cxa_throw"}) {
        void* symbol = dlsym(module, hidden);
        Dl_info where{};
        if (symbol && dladdr(symbol, &where) != 0) {
            EXPECT_NE(where.dli_fbase, own.dli_fbase) << hidden;
        }
    }
    EXPECT_EQ(dlsym(module, "_ZN7lumbrel6plugin10writeAlbumERKNS0_12AlbumRequestE"), nullptr);
}

TEST_F(KdPluginExports, TemplateTitleList) {
    const Bytes expected = nameList({"Type 1", "Type 2", "Type 3", "Type 4"});
    ASSERT_EQ(expected.size(), 33u);
    ASSERT_EQ(title(module, nullptr), 33);
    Bytes buffer(34, kCanary);
    EXPECT_EQ(title(module, buffer.data()), 4);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 33), expected);
    EXPECT_EQ(buffer[31], 0);
    EXPECT_EQ(buffer[32], 0);
    EXPECT_EQ(buffer[33], kCanary);  // nothing past the size it gave
}

TEST_F(KdPluginExports, ColourPatternList) {
    const Bytes expected =
        nameList({"Fancy blue/white", "Fancy pink/white", "Green/white", "Blue/white", "Purple/white",
                  "Gray/white", "Brown/white", "Green/gray", "Blue/gray", "Purple/gray", "Gray/gray",
                  "Brown/gray", "Green/black", "Blue/black", "Purple/blac", "Gray/black", "Brown/black"});
    ASSERT_EQ(patterns(module, nullptr), static_cast<std::int32_t>(expected.size()));
    Bytes buffer(expected.size() + 1, kCanary);
    EXPECT_EQ(patterns(module, buffer.data()), 17);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end() - 1), expected);
    EXPECT_EQ(buffer.back(), kCanary);

    // Pattern 14 keeps its cut-short name: an entry of 13 bytes.
    const Bytes purple{13, 'P', 'u', 'r', 'p', 'l', 'e', '/', 'b', 'l', 'a', 'c', 0};
    EXPECT_NE(std::search(buffer.begin(), buffer.end(), purple.begin(), purple.end()), buffer.end());
}

TEST_F(KdPluginExports, NameListsAnswerOnlyTheirOwnModuleHandle) {
    void* program = dlopen(nullptr, RTLD_NOW);  // a valid handle, but not the plug-in's
    ASSERT_NE(program, nullptr);
    Bytes buffer(200, kCanary);
    for (void* wrong : {static_cast<void*>(nullptr), program}) {
        EXPECT_EQ(title(wrong, nullptr), 0);
        EXPECT_EQ(title(wrong, buffer.data()), 0);
        EXPECT_EQ(patterns(wrong, nullptr), 0);
        EXPECT_EQ(patterns(wrong, buffer.data()), 0);
    }
    EXPECT_EQ(buffer, Bytes(200, kCanary));
    dlclose(program);
}

TEST_F(KdPluginExports, TemplateSummaries) {
    const std::string_view texts[] = {
        "Type 1\n  Display information\n  Slide show\n  List\ncan be displayed\n",
        "Type 2\n  Display information\n  List\ncan be displayed\n",
        "Type 3\n  Slide show\n  List\ncan be displayed\n",
        "Type 4\n  List\ncan be displayed",
    };
    for (std::int32_t i = 0; i < 4; ++i) {
        const std::string_view text = texts[i];
        ASSERT_EQ(summary(i, nullptr), static_cast<std::int32_t>(text.size() + 1)) << i;
        Bytes buffer(text.size() + 2, kCanary);
        EXPECT_EQ(summary(i, buffer.data()), static_cast<std::int32_t>(text.size() + 1));
        EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(buffer.data()), text.size()), text);
        EXPECT_EQ(buffer[text.size()], 0);
        EXPECT_EQ(buffer[text.size() + 1], kCanary);
    }
    EXPECT_TRUE(leavesBufferAlone(summary, 4, 100));
    EXPECT_TRUE(leavesBufferAlone(summary, -1, 100));
}

TEST_F(KdPluginExports, ColourSampleFileAndItsDeviceIndependentForm) {
    const Bytes header{
        'B', 'M', 0x18, 0x2F, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file: size 12056, pixels at 54
        40, 0, 0, 0, 100, 0, 0, 0, 40, 0, 0, 0,              // information header: 100 x 40
        1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,                 // 1 plane, 24 bits, no compression, size 0
        0x12, 0x0B, 0, 0, 0x12, 0x0B, 0, 0,                  // 2834 pixels per metre
        0, 0, 0, 0, 0, 0, 0, 0};                             // colours used, important
    for (std::int32_t pattern : {0, 7, 16}) {
        ASSERT_EQ(sample(pattern, nullptr), 12056);
        Bytes file(12057, kCanary);
        EXPECT_EQ(sample(pattern, file.data()), 12056);
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), header) << pattern;
        EXPECT_EQ(file[12054], 0);
        EXPECT_EQ(file[12055], 0);
        EXPECT_EQ(file[12056], kCanary);

        ASSERT_EQ(dib(pattern, nullptr), 12042);
        Bytes info(12043, kCanary);
        EXPECT_EQ(dib(pattern, info.data()), 12042);
        EXPECT_EQ(Bytes(info.begin(), info.begin() + 4), (Bytes{0x28, 0, 0, 0}));
        EXPECT_EQ(Bytes(info.begin(), info.end() - 1), Bytes(file.begin() + 14, file.end() - 1)) << pattern;
        EXPECT_EQ(info.back(), kCanary);
    }
    for (std::int32_t beyond : {17, -1, 1000}) {
        EXPECT_TRUE(leavesBufferAlone(sample, beyond, 12056)) << beyond;
        EXPECT_TRUE(leavesBufferAlone(dib, beyond, 12042)) << beyond;
    }
}

// Pixel (x, y), y from the top, of a device-independent sample, as 0xRRGGBB.
std::uint32_t pixelAt(const Bytes& dibBytes, int x, int y) {
    const std::size_t at = 40 + static_cast<std::size_t>(39 - y) * 300 + static_cast<std::size_t>(x) * 3;
    return static_cast<std::uint32_t>(dibBytes[at + 2]) << 16 | dibBytes[at + 1] << 8 | dibBytes[at];
}

TEST_F(KdPluginExports, ColourSampleShowsMenuAndBackgroundColours) {
    struct Case {
        std::int32_t pattern;
        std::uint32_t menuBackground, menuRow, body, heading;
    };
    // Fancy blue/white; Green/gray; Blue/black (sharing the menu of Blue/gray).
    for (const Case& c : {Case{0, 0x9cbee0, 0xb5fac2, 0xffffff, 0x9cbee0},
                          Case{7, 0xd3e2b9, 0x9c9c5a, 0xb7b7b7, 0x7e7e7e},
                          Case{13, 0xddddff, 0x8c84bd, 0x323232, 0x565656}}) {
        Bytes bytes(12042);
        ASSERT_EQ(dib(c.pattern, bytes.data()), 12042);
        EXPECT_EQ(pixelAt(bytes, 0, 0), c.menuBackground) << c.pattern;
        EXPECT_EQ(pixelAt(bytes, 15, 7), c.menuRow) << c.pattern;
        EXPECT_EQ(pixelAt(bytes, 15, 38), c.menuBackground) << c.pattern;
        // The heading bar lies at the top of the picture: rows are stored bottom-up.
        EXPECT_EQ(pixelAt(bytes, 60, 5), c.heading) << c.pattern;
        EXPECT_EQ(pixelAt(bytes, 60, 30), c.body) << c.pattern;
        EXPECT_EQ(pixelAt(bytes, 99, 39), c.body) << c.pattern;
    }
}

TEST_F(KdPluginExports, MakeHtmlFileRefusesMissingArguments) {
    const char* images[] = {"/tmp/a.jpg", nullptr};
    EXPECT_EQ(makeHtml(nullptr, images, 1, 0, 7, 0, 0, "mail"), 0);
    EXPECT_EQ(makeHtml("/tmp/20240305", images, -1, 0, 7, 0, 0, "mail"), 0);
    EXPECT_EQ(makeHtml("/tmp/20240305", nullptr, 1, 0, 7, 0, 0, "mail"), 0);
    EXPECT_EQ(makeHtml("/tmp/20240305", images, 2, 0, 7, 0, 0, "mail"), 0);  // a null entry
    EXPECT_EQ(makeHtml("/tmp/20240305", images, 1, 0, 7, 0, 0, nullptr), 0);
}

}  // namespace
