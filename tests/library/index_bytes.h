#pragma once
// Builds expected index bytes by hand, field by field, the way the file layout
// describes them, independent of the writer under test.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumbrel::test {

struct Bytes {
    std::vector<std::uint8_t> v;

    Bytes& u8(unsigned b) {
        v.push_back(static_cast<std::uint8_t>(b));
        return *this;
    }
    Bytes& u16(unsigned x) { return u8(x & 0xFF).u8(x >> 8 & 0xFF); }
    Bytes& u32(std::uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes& raw(std::string_view s) {
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    // Length below 255: one byte; up to 0xFFFD: FF + 16 bits; longer: FF FFFF + 32 bits.
    Bytes& text(std::string_view s) {
        const auto n = static_cast<std::uint32_t>(s.size());
        if (n < 0xFF) return u8(n).raw(s);
        if (n < 0xFFFE) return u8(0xFF).u16(n).raw(s);
        return u8(0xFF).u16(0xFFFF).u32(n).raw(s);
    }
    Bytes& newClass(std::string_view name) { return u16(0xFFFF).u16(0).u16(static_cast<unsigned>(name.size())).raw(name); }
    Bytes& album(std::string_view title, std::string_view folder, std::int32_t total = 0, std::int32_t count = 1) {
        text("LM200").text(title).text(folder).text(std::string(folder) + "/INDEX.HTM").text("Standard,Green/Gray");
        u32(static_cast<std::uint32_t>(total)).u32(static_cast<std::uint32_t>(count)).u32(0).u32(0).u32(0);
        return text("Email software is not assigned");
    }
    Bytes& image(std::string_view path, std::string_view date14, std::int32_t size) {
        text(path).text(date14.substr(0, 4)).text(date14.substr(4, 2)).text(date14.substr(6, 2));
        text(date14.substr(8, 2)).text(date14.substr(10, 2)).text(date14.substr(12, 2));
        return u32(static_cast<std::uint32_t>(size)).u32(0);
    }
};

}  // namespace lumbrel::test
