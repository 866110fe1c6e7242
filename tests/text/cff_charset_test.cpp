// A CID-keyed CFF font's glyphs are drawn by CID: its charset read back glyph by glyph, and a font keyed
// by name left as it is. CFF and CFF2 tables hold together before a font of them is drawn.
#include <gtest/gtest.h>

#include <string>

#include "font_files.h"
#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/text/cff_charset.h"
#include "xps/text/cff_table.h"
#include "xps/text/harfbuzz_owner.h"

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
std::string OpenType(const std::string& cff, const char* tag = "CFF ")
{
    std::string font = "OTTO";
    Put16(font, 1);
    Put16(font, 16);
    Put16(font, 0);
    Put16(font, 0);
    font += tag;
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

// Two glyphs, keyed by name: header; Name, Top DICT, String and Global Subr INDEXes; CharStrings at 32;
// a Private DICT at 40.
const std::string kCff{1, 0, 4, 1, 0, 1, 1, 1, 2, 'F', 0, 1, 1, 1, 14, 29, 0, 0, 0, 32, 17, '\x8d', 29, 0, 0, 0, 40, 18,
                       0, 0, 0, 0, 0, 2, 1, 1, 2, 3, 14, 14, '\x8b', 20};
// Two glyphs: header; a Top DICT of 13 bytes; Global Subr INDEX; CharStrings at 22; FDArray at 32; a
// Private DICT at 46.
const std::string kCff2{2, 0, 5, 0, 13, 29, 0, 0, 0, 22, 17, 29, 0, 0, 0, 32, 12, 36, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 2, 3,
                        '\x8b', '\x8b', 0, 0, 0, 1, 1, 1, 8, '\x8d', 29, 0, 0, 0, 46, 18, '\x8b', 10};

// S_OK where the table holds together, or the status checking it throws.
HRESULT Check(const std::string& table, const char* tag, unsigned glyphs = 2)
{
    const std::string font = OpenType(table, tag);
    HbBlob blob(hb_blob_create(font.data(), static_cast<unsigned>(font.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr));
    HbFace face(hb_face_create(blob.get(), 0));
    try {
        CheckCffTables(face.get(), glyphs);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

std::string Changed(std::string table, std::size_t at, std::string bytes)
{
    return table.replace(at, bytes.size(), bytes);
}

TEST(CffTable, CharStringsThatCannotBeFoundCountedOrBoundedAreRefused)
{
    EXPECT_EQ(Check(kCff, "CFF "), S_OK);
    EXPECT_EQ(Check(kCff2, "CFF2"), S_OK);
    EXPECT_EQ(Check(kCff, "CFF ", 3), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(Check(kCff2, "CFF2", 1), DWRITE_E_FILEFORMAT);
    const struct {
        const char* what;
        std::string table;
        const char* tag;
    } broken[] = {
        {"no glyph", Changed(kCff, 32, {0, 0}), "CFF "},
        {"offsets 0 bytes wide", Changed(kCff, 34, {0}), "CFF "},
        {"offsets 5 bytes wide", Changed(kCff, 34, {5}), "CFF "},
        {"last glyph past the table", Changed(kCff, 37, {9}), "CFF "},
        {"glyphs going backwards", Changed(kCff, 36, {3, 2}), "CFF "},
        {"CharStrings past the table", Changed(kCff, 19, {90}), "CFF "},
        {"Private DICT past the table", Changed(kCff, 21, {'\x90'}), "CFF "},
        {"cut short", kCff.substr(0, 39), "CFF "},
        {"CFF2 of no glyph", Changed(kCff2, 22, {0, 0, 0, 0}), "CFF2"},
        {"CFF2 last glyph past the table", Changed(kCff2, 29, {60}), "CFF2"},
        {"CFF2 top DICT past the table", Changed(kCff2, 4, {60}), "CFF2"},
        {"CFF2 without Font DICTs", Changed(kCff2, 32, {0, 0, 0, 0}), "CFF2"},
    };
    for (const auto& table : broken)
        EXPECT_EQ(Check(table.table, table.tag), DWRITE_E_FILEFORMAT) << table.what;
}

}  // namespace
