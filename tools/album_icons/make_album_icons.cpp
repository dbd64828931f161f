// make-album-icons: draws the album pages' GIF icons and prints the C++ source
// that stores them in the plug-in (src/plugin/album_icons.cpp).
//
//   make-album-icons > src/plugin/album_icons.cpp
//
// The five buttons are 64 x 24 with a pixel-font label; the thirteen scene
// icons are 24 x 24 pictograms, drawn once with dark strokes for light pages
// and once with light strokes for the black colour patterns. Colour 0 of every
// palette is transparent, so the icons sit on any page colour.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Palette indices.
enum Ink : std::uint8_t { kClear = 0, kStroke, kAccent, kFill, kFace, kShade, kWhite, kSpare };
constexpr int kPaletteSize = 8;
using Palette = std::array<std::uint32_t, kPaletteSize>;

const Palette kLightPalette{0xffffff, 0x404040, 0xd04020, 0x4070c0, 0xf0c060, 0xa0a0a0, 0xffffff, 0x000000};
const Palette kBlackPalette{0x000000, 0xe0e0e0, 0xff8060, 0x80b0ff, 0xf0d080, 0x808080, 0x303030, 0x000000};
const Palette kButtonPalette{0xffffff, 0xffffff, 0xffffff, 0x3060a0, 0x203050, 0x6090d0, 0xffffff, 0x000000};

struct Canvas {
    int width;
    int height;
    std::vector<std::uint8_t> pixels;

    Canvas(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), kClear) {}

    void set(int x, int y, std::uint8_t ink) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<std::size_t>(y * width + x)] = ink;
    }
    void fill(int x0, int y0, int x1, int y1, std::uint8_t ink) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) set(x, y, ink);
    }
    void frame(int x0, int y0, int x1, int y1, std::uint8_t ink) {
        for (int x = x0; x <= x1; ++x) set(x, y0, ink), set(x, y1, ink);
        for (int y = y0; y <= y1; ++y) set(x0, y, ink), set(x1, y, ink);
    }
    void line(int x0, int y0, int x1, int y1, std::uint8_t ink) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy;;) {
            set(x0, y0, ink);
            if (x0 == x1 && y0 == y1) return;
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }
    /// A disc (ring = false) or a ring one pixel wide around centre (cx, cy).
    void circle(double cx, double cy, double r, std::uint8_t ink, bool ring = false) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                if (ring ? (d <= r && d > r - 1.2) : d <= r) set(x, y, ink);
            }
    }
};

// A 5 x 7 pixel font: only the letters the icons use.
const std::map<char, std::array<const char*, 7>> kFont{
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'?', {" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "}},
};

void text(Canvas& c, int x, int y, std::string_view s, std::uint8_t ink, int scale = 1) {
    for (char ch : s) {
        const auto& glyph = kFont.at(ch);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (glyph[static_cast<std::size_t>(row)][col] == '#')
                    c.fill(x + col * scale, y + row * scale, x + col * scale + scale - 1, y + row * scale + scale - 1, ink);
        x += 6 * scale;
    }
}

int textWidth(std::string_view s) { return static_cast<int>(s.size()) * 6 - 1; }

// ---------------------------------------------------------------- drawings

Canvas button(std::string_view label, int arrow) {
    Canvas c(64, 24);
    c.fill(1, 1, 62, 22, kFill);
    c.fill(2, 2, 61, 3, kShade);  // light top edge
    c.frame(0, 0, 63, 23, kFace);
    int x = (64 - textWidth(label) - (arrow ? 7 : 0)) / 2;
    if (arrow < 0) {  // a triangle pointing left before the label
        for (int i = 0; i < 4; ++i) c.line(x + i, 12 - i, x + i, 12 + i, kWhite);
        x += 7;
    }
    text(c, x, 9, label, kWhite);
    if (arrow > 0) {
        const int ax = x + textWidth(label) + 3;
        for (int i = 0; i < 4; ++i) c.line(ax + 3 - i, 12 - i, ax + 3 - i, 12 + i, kWhite);
    }
    return c;
}

Canvas camera() {  // NORMAL: a camera
    Canvas c(24, 24);
    c.fill(2, 7, 21, 19, kStroke);
    c.fill(3, 8, 20, 18, kShade);
    c.fill(7, 4, 12, 7, kStroke);
    c.fill(17, 9, 19, 10, kAccent);
    c.circle(11.5, 13.5, 5, kStroke);
    c.circle(11.5, 13.5, 3.5, kFill);
    c.circle(10.5, 12.5, 1.2, kWhite);
    return c;
}

Canvas continuous() {  // CONTINUE: three frames one behind the other
    Canvas c(24, 24);
    for (int i = 2; i >= 0; --i) {
        const int x = 2 + i * 4, y = 12 - i * 4;
        c.fill(x, y, x + 13, y + 9, i == 0 ? kFill : kShade);
        c.frame(x, y, x + 13, y + 9, kStroke);
    }
    return c;
}

Canvas bracketing() {  // AEB_CAPT: "AEB" under three steps of brightness
    Canvas c(24, 24);
    c.fill(2, 3, 7, 10, kShade);
    c.fill(9, 3, 14, 10, kFill);
    c.fill(16, 3, 21, 10, kStroke);
    c.frame(1, 2, 22, 11, kStroke);
    text(c, 3, 14, "AEB", kAccent);
    return c;
}

Canvas movie() {  // MOVIE: a strip of film
    Canvas c(24, 24);
    c.fill(1, 4, 22, 19, kStroke);
    for (int x = 3; x < 22; x += 4) {
        c.fill(x, 5, x + 1, 6, kWhite);
        c.fill(x, 17, x + 1, 18, kWhite);
    }
    c.fill(3, 8, 10, 15, kFill);
    c.fill(13, 8, 20, 15, kFill);
    c.line(5, 13, 8, 10, kAccent);
    c.line(15, 13, 18, 10, kAccent);
    return c;
}

Canvas night() {  // NIGHT: a crescent moon and a star
    Canvas c(24, 24);
    c.circle(10, 13, 8, kFace);
    c.circle(14, 10, 7, kClear);
    c.line(18, 15, 18, 21, kFace);
    c.line(15, 18, 21, 18, kFace);
    c.set(18, 18, kWhite);
    return c;
}

Canvas overlap() {  // OVERLAP: two exposures on one picture
    Canvas c(24, 24);
    c.circle(9, 12, 7, kFill);
    c.circle(15, 12, 7, kAccent, true);
    c.circle(9, 12, 7, kStroke, true);
    return c;
}

Canvas panorama() {  // PANORAMA: a wide frame over a mountain line
    Canvas c(24, 24);
    c.fill(0, 7, 23, 16, kFill);
    c.frame(0, 7, 23, 16, kStroke);
    for (int x = 1; x < 23; ++x) {
        const int y = 13 - static_cast<int>(std::lround(2.5 * std::sin(x * 0.55)));
        c.line(x, y, x, 15, kShade);
    }
    c.circle(18, 10, 1.5, kFace);
    return c;
}

Canvas portrait() {  // PORTRAIT: head and shoulders
    Canvas c(24, 24);
    c.circle(12, 8, 4.5, kFace);
    c.circle(12, 8, 4.5, kStroke, true);
    c.circle(12, 24, 9, kFill);
    c.circle(12, 24, 9, kStroke, true);
    return c;
}

Canvas sight() {  // SIGHT (landscape): a mountain under the sun
    Canvas c(24, 24);
    c.circle(18, 6, 3, kFace);
    for (int y = 8; y <= 20; ++y) {
        const int half = (y - 8);
        c.line(9 - half, y, 9 + half, y, kShade);
    }
    c.line(9, 8, 0, 17, kStroke);
    c.line(9, 8, 21, 20, kStroke);
    c.line(1, 20, 22, 20, kStroke);
    return c;
}

Canvas sports() {  // SPORTS: a ball in flight
    Canvas c(24, 24);
    c.circle(14, 12, 7, kWhite);
    c.circle(14, 12, 7, kStroke, true);
    c.line(14, 5, 14, 19, kStroke);
    c.line(7, 12, 21, 12, kStroke);
    c.line(1, 9, 5, 9, kAccent);
    c.line(0, 12, 5, 12, kAccent);
    c.line(1, 15, 5, 15, kAccent);
    return c;
}

Canvas timer() {  // TIMER: a clock
    Canvas c(24, 24);
    c.circle(12, 13, 9, kWhite);
    c.circle(12, 13, 9, kStroke, true);
    c.fill(10, 2, 13, 3, kStroke);
    c.line(12, 13, 12, 7, kStroke);
    c.line(12, 13, 16, 15, kAccent);
    return c;
}

Canvas unknown() {  // UNKNOWN: a question mark
    Canvas c(24, 24);
    c.frame(2, 2, 21, 21, kShade);
    text(c, 7, 5, "?", kStroke, 2);
    return c;
}

Canvas scene() {  // SCENE: a scene-select dial
    Canvas c(24, 24);
    c.fill(1, 5, 22, 18, kFill);
    c.frame(1, 5, 22, 18, kStroke);
    text(c, 3, 9, "SCN", kWhite);
    return c;
}

// ---------------------------------------------------------------- GIF89a

/// LZW compression as GIF uses it: variable-width codes from minCodeSize + 1
/// bits up to 12, a clear code first and whenever the table is full.
Bytes lzw(const std::vector<std::uint8_t>& pixels, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    Bytes out;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    int width = minCodeSize + 1;
    auto emit = [&](int code) {
        bitBuffer |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            out.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    std::map<std::pair<int, int>, int> table;
    int next = end + 1;
    emit(clear);
    int prefix = pixels.empty() ? -1 : pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int k = pixels[i];
        const auto found = table.find({prefix, k});
        if (found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            table[{prefix, k}] = next++;
            if (next > (1 << width) && width < 12) ++width;
        } else {
            emit(clear);
            table.clear();
            next = end + 1;
            width = minCodeSize + 1;
        }
        prefix = k;
    }
    if (prefix >= 0) emit(prefix);
    emit(end);
    if (bitCount > 0) out.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));
    return out;
}

void put16(Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xff));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
}

Bytes gif(const Canvas& c, const Palette& palette) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    put16(b, c.width);
    put16(b, c.height);
    b.push_back(0xf2);  // global colour table of 8 entries, 8 bits per primary
    b.push_back(0);     // background colour
    b.push_back(0);     // no aspect ratio
    for (std::uint32_t rgb : palette) {
        b.push_back(static_cast<std::uint8_t>(rgb >> 16));
        b.push_back(static_cast<std::uint8_t>(rgb >> 8));
        b.push_back(static_cast<std::uint8_t>(rgb));
    }
    // Graphic control extension: colour 0 is transparent.
    for (std::uint8_t v : {0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00}) b.push_back(v);
    b.push_back(0x2c);
    put16(b, 0);
    put16(b, 0);
    put16(b, c.width);
    put16(b, c.height);
    b.push_back(0);  // no local table, not interlaced
    constexpr int kMinCodeSize = 3;
    b.push_back(kMinCodeSize);
    const Bytes data = lzw(c.pixels, kMinCodeSize);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        b.push_back(static_cast<std::uint8_t>(n));
        b.insert(b.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                 data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    b.push_back(0);     // end of image data
    b.push_back(0x3b);  // trailer
    return b;
}

// ---------------------------------------------------------------- output

void printArray(const std::string& name, const Bytes& bytes) {
    std::printf("constexpr std::uint8_t %s[] = {", name.c_str());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        std::printf("%s0x%02x%s", i % 16 == 0 ? "\n    " : "", bytes[i], i + 1 < bytes.size() ? "," : "");
    std::printf("};\n\n");
}

}  // namespace

int main(int argc, char** argv) {
    // With a folder argument the GIF files are also written there, to look at.
    const std::string folder = argc > 1 ? argv[1] : "";
    struct Icon {
        const char* name;
        Canvas picture;
        bool scene;
    };
    const std::vector<Icon> icons{
        {"BACKBTN", button("BACK", -1), false}, {"GOTOP", button("EXIT", 0), false},
        {"NEXTBTN", button("NEXT", 1), false},  {"PRINT", button("PRINT", 0), false},
        {"MAIL", button("MAIL", 0), false},     {"AEB_CAPT", bracketing(), true},
        {"CONTINUE", continuous(), true},       {"MOVIE", movie(), true},
        {"NIGHT", night(), true},               {"NORMAL", camera(), true},
        {"OVERLAP", overlap(), true},           {"PANORAMA", panorama(), true},
        {"PORTRAIT", portrait(), true},         {"SIGHT", sight(), true},
        {"SPORTS", sports(), true},             {"TIMER", timer(), true},
        {"UNKNOWN", unknown(), true},           {"SCENE", scene(), true},
    };

    std::printf(
        "// Generated by tools/album_icons/make_album_icons.cpp; do not edit.\n"
        "// The album icons as GIF89a files: buttons, and scene icons for light and\n"
        "// black pages.\n\n"
        "#include \"plugin/album_icons.h\"\n\n"
        "namespace lumbrel::plugin {\n"
        "namespace {\n\n");
    for (const Icon& icon : icons) {
        const Bytes light = gif(icon.picture, icon.scene ? kLightPalette : kButtonPalette);
        printArray(std::string("k") + icon.name, light);
        if (icon.scene) printArray(std::string("k") + icon.name + "Black", gif(icon.picture, kBlackPalette));
        if (!folder.empty()) {
            const std::string path = folder + "/" + icon.name + ".GIF";
            if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(light.data(), 1, light.size(), f);
                std::fclose(f);
            }
            if (icon.scene) {
                const Bytes black = gif(icon.picture, kBlackPalette);
                const std::string blackPath = folder + "/" + icon.name + "_BLACK.GIF";
                if (std::FILE* f = std::fopen(blackPath.c_str(), "wb")) {
                    std::fwrite(black.data(), 1, black.size(), f);
                    std::fclose(f);
                }
            }
        }
    }
    std::printf(
        "struct IconFiles {\n"
        "    std::string_view name;\n"
        "    std::span<const std::uint8_t> light;\n"
        "    std::span<const std::uint8_t> black;\n"
        "};\n\n"
        "const IconFiles kIcons[] = {\n");
    for (const Icon& icon : icons)
        std::printf("    {\"%s\", k%s, k%s%s},\n", icon.name, icon.name, icon.name, icon.scene ? "Black" : "");
    std::printf(
        "};\n\n"
        "}  // namespace\n\n"
        "const std::array<std::string_view, 18> kAlbumIconNames{\n");
    for (const Icon& icon : icons) std::printf("    \"%s\",\n", icon.name);
    std::printf(
        "};\n\n"
        "std::span<const std::uint8_t> albumIcon(std::string_view name, bool blackDesign) {\n"
        "    for (const IconFiles& icon : kIcons)\n"
        "        if (icon.name == name) return blackDesign ? icon.black : icon.light;\n"
        "    return {};\n"
        "}\n\n"
        "}  // namespace lumbrel::plugin\n");
    return 0;
}
