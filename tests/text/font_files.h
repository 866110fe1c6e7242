// Fonts for the font tests: Debian's DejaVu (TrueType outlines) and URW (CFF outlines), and the
// obfuscated and collected forms XPS packages hold, made from their bytes.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kDejaVuSansMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr const char* kDejaVuSerif = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf";
constexpr const char* kNimbusSans = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
constexpr const char* kNimbusSansItalic = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Italic.otf";

inline std::vector<std::uint8_t> ReadFontFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A TrueType collection of two whole fonts: each font's table offsets moved by where it now starts.
inline std::vector<std::uint8_t> MakeCollection(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second)
{
    const auto put32 = [](std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    };
    const auto get32 = [](const std::vector<std::uint8_t>& in, std::size_t at) {
        return std::uint32_t{in[at]} << 24 | std::uint32_t{in[at + 1]} << 16 | std::uint32_t{in[at + 2]} << 8 | in[at + 3];
    };
    std::vector<std::uint8_t> collection(20);
    put32(collection, 0, 0x74746366);  // 'ttcf'
    put32(collection, 4, 0x00010000);
    put32(collection, 8, 2);
    std::size_t slot = 12;
    for (const std::vector<std::uint8_t>* font : {&first, &second}) {
        collection.resize((collection.size() + 3) & ~std::size_t{3});
        const std::size_t start = collection.size();
        put32(collection, slot, static_cast<std::uint32_t>(start));
        slot += 4;
        collection.insert(collection.end(), font->begin(), font->end());
        const unsigned tables = (*font)[4] << 8 | (*font)[5];
        for (unsigned i = 0; i < tables; ++i) {
            const std::size_t record = start + 12 + 16 * i + 8;
            put32(collection, record, get32(collection, record) + static_cast<std::uint32_t>(start));
        }
    }
    return collection;
}
