// A CID-keyed CFF font's glyphs are drawn by CID: its charset read back glyph by glyph, and a font keyed
// by name left as it is.
#include <gtest/gtest.h>

#include <string>

#include "cff_charset.h"
#include "font_files.h"
#include "harfbuzz_owner.h"

namespace {

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value & 0xFF);
}

// A CFF table of no glyph outlines but a top DICT: ROS when keyed by CID, and a charset of format 2
// giving glyphs 1 to 3 the CIDs 500 to 502 and glyph 4 the CID 7.
std::string CffTable(bool cidKeyed)
{
    std::string cff = std::string("\x01\x00\x04\x01", 4);
    cff += std::string("\x00\x01\x01\x01\x02", 5) + "F";  // Name INDEX: one name
    std::string dict;
    if (cidKeyed)
        dict += std::string("\x8b\x8b\x8b\x0c\x1e", 5);  // 0 0 0 ROS
    const unsigned charset = 4 + 6 + 5 + static_cast<unsigned>(dict.size()) + 6;
    dict += static_cast<char>(29);
    for (int shift = 24; shift >= 0; shift -= 8)
        dict += static_cast<char>(charset >> shift & 0xFF);
    dict += static_cast<char>(15);
    cff += std::string("\x00\x01\x01\x01", 4) + static_cast<char>(1 + dict.size()) + dict;  // Top DICT INDEX
    cff += static_cast<char>(2);
    Put16(cff, 500);
    Put16(cff, 2);
    Put16(cff, 7);
    Put16(cff, 0);
    return cff;
}

// The table alone in an OpenType font, as HarfBuzz reads one.
std::string OpenType(const std::string& cff)
{
    std::string font = "OTTO";
    Put16(font, 1);
    Put16(font, 16);
    Put16(font, 0);
    Put16(font, 0);
    font += "CFF ";
    font += std::string(4, '\0');
    Put16(font, 0);
    Put16(font, 28);
    Put16(font, 0);
    Put16(font, static_cast<unsigned>(cff.size()));
    return font + cff;
}

std::vector<std::uint16_t> Cids(const std::string& font)
{
    HbBlob blob(hb_blob_create(font.data(), static_cast<unsigned>(font.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    HbFace face(hb_face_create(blob.get(), 0));
    return ReadCids(face.get(), 5);
}

TEST(CffCharset, ACidKeyedFontsGlyphsAreDrawnByTheirCids)
{
    EXPECT_EQ(Cids(OpenType(CffTable(true))), (std::vector<std::uint16_t>{0, 500, 501, 502, 7}));
    EXPECT_TRUE(Cids(OpenType(CffTable(false))).empty());
    // A charset that runs past its table is none.
    const std::string cut = CffTable(true);
    EXPECT_TRUE(Cids(OpenType(cut.substr(0, cut.size() - 5))).empty());
}

}  // namespace
