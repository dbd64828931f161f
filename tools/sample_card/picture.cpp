#include "picture.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace lumbrel::samplecard {
namespace {

struct Rgb {
    int r, g, b;
};

Rgb mix(Rgb a, Rgb b, int num, int den) {
    if (den <= 0) return a;
    return {a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

// xorshift32: a small generator whose sequence is fixed by its seed.
struct Noise {
    std::uint32_t state;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// 5 x 7 glyphs, one row per entry, the leftmost pixel in bit 4.
struct Glyph {
    char c;
    std::array<std::uint8_t, 7> rows;
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
};

const Glyph* findGlyph(char c) {
    for (const Glyph& g : kGlyphs)
        if (g.c == c) return &g;
    return nullptr;
}

class Canvas {
public:
    Canvas(int width, int height) : w_(width), h_(height), px_(static_cast<std::size_t>(width) * height) {}

    int width() const { return w_; }
    int height() const { return h_; }
    Rgb& at(int x, int y) { return px_[static_cast<std::size_t>(y) * w_ + x]; }

    void fillRect(int x0, int y0, int x1, int y1, Rgb c) {
        x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w_), y1 = std::min(y1, h_);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) at(x, y) = c;
    }

    void fillCircle(int cx, int cy, int r, Rgb c) {
        for (int y = std::max(cy - r, 0); y <= std::min(cy + r, h_ - 1); ++y)
            for (int x = std::max(cx - r, 0); x <= std::min(cx + r, w_ - 1); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) at(x, y) = c;
    }

    // An arrow pointing up: a triangle from tipY down to tipY + head with half
    // width spread at its base, then a shaft of half width shaft to bottomY.
    void fillUpArrow(int cx, int tipY, int head, int spread, int shaft, int bottomY, Rgb c) {
        for (int y = std::max(tipY, 0); y < std::min(bottomY, h_); ++y) {
            const int half = y < tipY + head ? (y - tipY) * spread / std::max(head, 1) : shaft;
            fillRect(cx - half, y, cx + half + 1, y + 1, c);
        }
    }

    void text(int x, int y, int scale, const std::string& s, Rgb c) {
        for (char ch : s) {
            if (const Glyph* g = findGlyph(ch))
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (g->rows[row] & (0x10 >> col))
                            fillRect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, c);
            x += 6 * scale;
        }
    }

    Picture toPicture(Noise& noise, int amplitude) const {
        Picture p{w_, h_, std::vector<std::uint8_t>(px_.size() * 3)};
        std::size_t i = 0;
        for (const Rgb& c : px_)
            for (int v : {c.r, c.g, c.b}) {
                const int n = static_cast<int>(noise.next() % (2 * amplitude + 1)) - amplitude;
                p.rgb[i++] = static_cast<std::uint8_t>(std::clamp(v + n, 0, 255));
            }
        return p;
    }

private:
    int w_, h_;
    std::vector<Rgb> px_;
};

}  // namespace

Picture drawScene(int width, int height, const SceneOptions& options) {
    Canvas cv(width, height);
    const int w = width, h = height, small = std::min(w, h);
    const int band = h / 8;
    const int horizon = h * 3 / 5;
    Noise noise{options.seed * 2654435761u + 12345u};

    // Top band, sky and striped fields.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c;
            if (y < band) {
                c = mix({170, 25, 35}, {120, 15, 60}, x, w);
            } else if (y < horizon) {
                c = mix({60, 110, 200}, {205, 222, 240}, y - band, horizon - band);
            } else {
                c = mix({100, 160, 70}, {45, 95, 35}, y - horizon, h - horizon);
                if (((x + 2 * y) / (w / 24 + 1)) % 2) c = mix(c, {30, 60, 20}, 1, 5);
            }
            cv.at(x, y) = c;
        }
    cv.text(small / 40 + 2, band / 6, std::max(band * 2 / 3 / 7, 1), "TOP", {255, 255, 255});

    cv.fillCircle(w * 4 / 5, band + (horizon - band) / 3, small / 12, {250, 215, 80});

    // Buildings on the horizon with a grid of lit and dark windows.
    for (int k = 0; k < 4; ++k) {
        const int x0 = w * (1 + 5 * k) / 40, x1 = x0 + w / 14;
        const int top = horizon - small * (3 + (k * 5) % 4) / 16;
        cv.fillRect(x0, top, x1, horizon, {115 + 10 * k, 115 + 5 * k, 130});
        const int cell = std::max(small / 60, 3);
        for (int y = top + cell; y + cell < horizon; y += 2 * cell)
            for (int x = x0 + cell; x + cell < x1; x += 2 * cell) {
                const bool lit = (noise.next() >> 7) % 3 == 0;
                cv.fillRect(x, y, x + cell, y + cell, lit ? Rgb{240, 230, 150} : Rgb{40, 45, 60});
            }
    }

    // The up arrow: black outline, white body.
    const int cx = w / 2, tip = band + small / 16, head = small / 4, spread = small / 6, shaft = small / 18;
    const int bottom = horizon + (h - horizon) * 2 / 3, t = std::max(small / 160, 2);
    cv.fillUpArrow(cx, tip - 2 * t, head + 2 * t, spread + t, shaft + t, bottom + t, {10, 10, 10});
    cv.fillUpArrow(cx, tip, head, spread, shaft, bottom, {250, 250, 250});

    // A paper sheet with lines of "words": sharp edges of many lengths.
    const int px0 = w * 13 / 20, py0 = horizon + (h - horizon) / 6, px1 = w * 19 / 20, py1 = h - (h - horizon) / 6;
    cv.fillRect(px0, py0, px1, py1, {235, 232, 220});
    const int line = std::max(small / 50, 3);
    for (int y = py0 + line; y + line < py1; y += 2 * line)
        for (int x = px0 + line; x < px1 - line;) {
            const int word = line * (2 + static_cast<int>((noise.next() >> 9) % 6));
            cv.fillRect(x, y, std::min(x + word, px1 - line), y + line * 2 / 3 + 1, {30, 30, 35});
            x += word + line;
        }

    // The picture's number on a white plate at the bottom left.
    const int scale = std::max(small / 70, 1);
    const int lx = small / 30, ly = h - 7 * scale - small / 20;
    cv.fillRect(lx - scale * 2, ly - scale * 2, lx + static_cast<int>(options.label.size()) * 6 * scale + scale,
                ly + 9 * scale, {250, 250, 250});
    cv.text(lx, ly, scale, options.label, {20, 20, 20});

    if (options.ballStep >= 0) {
        const int steps = std::max(options.ballSteps, 1);
        cv.fillCircle(w / 8 + (w * 3 / 4) * options.ballStep / steps, horizon - small / 10, small / 14, {220, 40, 40});
    }
    return cv.toPicture(noise, 2);
}

Picture turnClockwise(const Picture& p, int quarterTurns) {
    quarterTurns &= 3;
    if (quarterTurns == 0) return p;
    Picture out;
    out.width = quarterTurns == 2 ? p.width : p.height;
    out.height = quarterTurns == 2 ? p.height : p.width;
    out.rgb.resize(p.rgb.size());
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            int dx = 0, dy = 0;
            switch (quarterTurns) {
                case 1: dx = p.height - 1 - y, dy = x; break;
                case 2: dx = p.width - 1 - x, dy = p.height - 1 - y; break;
                default: dx = y, dy = p.width - 1 - x; break;
            }
            const std::size_t from = (static_cast<std::size_t>(y) * p.width + x) * 3;
            const std::size_t to = (static_cast<std::size_t>(dy) * out.width + dx) * 3;
            std::copy_n(&p.rgb[from], 3, &out.rgb[to]);
        }
    return out;
}

Picture shrink(const Picture& p, int width, int height) {
    Picture out{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int x0 = x * p.width / width, x1 = std::max((x + 1) * p.width / width, x0 + 1);
            const int y0 = y * p.height / height, y1 = std::max((y + 1) * p.height / height, y0 + 1);
            for (int ch = 0; ch < 3; ++ch) {
                int sum = 0;
                for (int sy = y0; sy < y1; ++sy)
                    for (int sx = x0; sx < x1; ++sx) sum += p.rgb[(static_cast<std::size_t>(sy) * p.width + sx) * 3 + ch];
                out.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + ch] =
                    static_cast<std::uint8_t>(sum / ((x1 - x0) * (y1 - y0)));
            }
        }
    return out;
}

}  // namespace lumbrel::samplecard
