#include "avi_writer.h"

#include <algorithm>
#include <string_view>

namespace lumbrel::samplecard {
namespace {

constexpr std::uint32_t kAvifHasIndex = 0x10, kAvifIsInterleaved = 0x100, kAviifKeyframe = 0x10;

// Little-endian RIFF writing: chunks are opened, filled and closed, which
// writes their size and pads them to an even length.
class Riff {
public:
    Bytes bytes;

    void fourcc(std::string_view f) { bytes.insert(bytes.end(), f.begin(), f.begin() + 4); }
    void u16(std::uint32_t v) {
        bytes.push_back(std::uint8_t(v));
        bytes.push_back(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void put(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }

    std::size_t open(std::string_view id) {
        fourcc(id);
        u32(0);
        return bytes.size();
    }
    std::size_t openList(std::string_view listType, std::string_view type) {
        const std::size_t start = open(listType);
        fourcc(type);
        return start;
    }
    void close(std::size_t start) {
        const auto size = static_cast<std::uint32_t>(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start - 4 + i] = std::uint8_t(size >> (8 * i));
        if (size % 2) bytes.push_back(0);
    }
};

struct IndexEntry {
    const char* id;
    std::uint32_t offset, size;
};

}  // namespace

Bytes buildAvi(const AviMovie& m) {
    const auto frames = static_cast<std::uint32_t>(m.frames.size());
    const bool sound = m.audioRate > 0 && !m.audio.empty() && frames > 0;
    const std::size_t soundPerFrame = sound ? (m.audio.size() + frames - 1) / frames : 0;
    std::size_t largestFrame = 0;
    for (const Bytes& f : m.frames) largestFrame = std::max(largestFrame, f.size());
    const auto buffer = static_cast<std::uint32_t>((largestFrame + soundPerFrame + 8 + 1023) / 1024 * 1024);
    const auto w = static_cast<std::uint32_t>(m.width), h = static_cast<std::uint32_t>(m.height);
    const auto fps = static_cast<std::uint32_t>(m.framesPerSecond);

    Riff r;
    const std::size_t riff = r.openList("RIFF", "AVI ");
    const std::size_t hdrl = r.openList("LIST", "hdrl");

    const std::size_t avih = r.open("avih");
    r.u32(1000000 / fps);                                          // microseconds per frame
    r.u32(static_cast<std::uint32_t>(largestFrame + soundPerFrame) * fps);  // max bytes per second
    r.u32(0);                                                      // padding granularity
    r.u32(kAvifHasIndex | (sound ? kAvifIsInterleaved : 0));
    r.u32(frames);
    r.u32(0);                                                      // initial frames
    r.u32(sound ? 2 : 1);                                          // streams
    r.u32(buffer);
    r.u32(w);
    r.u32(h);
    for (int i = 0; i < 4; ++i) r.u32(0);
    r.close(avih);

    const std::size_t video = r.openList("LIST", "strl");
    const std::size_t vstrh = r.open("strh");
    r.fourcc("vids");
    r.fourcc("MJPG");
    r.u32(0);          // flags
    r.u16(0);          // priority
    r.u16(0);          // language
    r.u32(0);          // initial frames
    r.u32(1);          // scale
    r.u32(fps);        // rate: rate / scale = frames per second
    r.u32(0);          // start
    r.u32(frames);     // length
    r.u32(buffer);
    r.u32(10000);      // quality
    r.u32(0);          // sample size: frames vary
    r.u16(0), r.u16(0), r.u16(w), r.u16(h);  // frame rectangle
    r.close(vstrh);
    const std::size_t vstrf = r.open("strf");  // BITMAPINFOHEADER
    r.u32(40);
    r.u32(w);
    r.u32(h);
    r.u16(1);          // planes
    r.u16(24);         // bit count
    r.fourcc("MJPG");  // compression, at offset 16 of the header
    r.u32(w * h * 3);  // image size
    r.u32(0), r.u32(0), r.u32(0), r.u32(0);
    r.close(vstrf);
    r.close(video);

    if (sound) {
        const std::size_t audio = r.openList("LIST", "strl");
        const std::size_t astrh = r.open("strh");
        r.fourcc("auds");
        r.u32(0);      // handler: none for PCM
        r.u32(0), r.u16(0), r.u16(0), r.u32(0);
        r.u32(1);      // scale: one sample per block
        r.u32(static_cast<std::uint32_t>(m.audioRate));
        r.u32(0);
        r.u32(static_cast<std::uint32_t>(m.audio.size()));
        r.u32(static_cast<std::uint32_t>(soundPerFrame));
        r.u32(10000);
        r.u32(1);      // sample size
        r.u16(0), r.u16(0), r.u16(0), r.u16(0);
        r.close(astrh);
        const std::size_t astrf = r.open("strf");  // WAVEFORMATEX without extra bytes
        r.u16(1);      // PCM
        r.u16(1);      // mono
        r.u32(static_cast<std::uint32_t>(m.audioRate));
        r.u32(static_cast<std::uint32_t>(m.audioRate));  // bytes per second
        r.u16(1);      // block align
        r.u16(8);      // bits per sample
        r.close(astrf);
        r.close(audio);
    }
    r.close(hdrl);

    // idx1 offsets count from the 'movi' list type, as most readers expect.
    std::vector<IndexEntry> index;
    const std::size_t movi = r.openList("LIST", "movi");
    for (std::uint32_t i = 0; i < frames; ++i) {
        const Bytes& f = m.frames[i];
        const auto at = static_cast<std::uint32_t>(r.bytes.size() - movi);
        const std::size_t c = r.open("00dc");
        r.put(f);
        r.close(c);
        index.push_back({"00dc", at, static_cast<std::uint32_t>(f.size())});
        if (sound) {
            const std::size_t from = std::min<std::size_t>(i * soundPerFrame, m.audio.size());
            const std::size_t to = std::min(from + soundPerFrame, m.audio.size());
            const auto sat = static_cast<std::uint32_t>(r.bytes.size() - movi);
            const std::size_t s = r.open("01wb");
            r.bytes.insert(r.bytes.end(), m.audio.begin() + static_cast<std::ptrdiff_t>(from),
                           m.audio.begin() + static_cast<std::ptrdiff_t>(to));
            r.close(s);
            index.push_back({"01wb", sat, static_cast<std::uint32_t>(to - from)});
        }
    }
    r.close(movi);

    const std::size_t idx1 = r.open("idx1");
    for (const IndexEntry& e : index) {
        r.fourcc(e.id);
        r.u32(kAviifKeyframe);
        r.u32(e.offset);
        r.u32(e.size);
    }
    r.close(idx1);
    r.close(riff);
    return r.bytes;
}

}  // namespace lumbrel::samplecard
