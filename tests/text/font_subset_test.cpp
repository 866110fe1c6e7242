// Subsets keep the glyph ids the content stream wrote, and only the glyphs drawn.
#include <gtest/gtest.h>

#include "font_files.h"
#include "xps/document_failure.h"
#include "xps/text/font.h"
#include "xps/text/font_subset.h"
#include "xps/text/glyph_use.h"

namespace {

hb_glyph_extents_t Extents(const Font& font, std::uint32_t glyph)
{
    const HbFont measured(hb_font_create(font.Face()));
    hb_glyph_extents_t extents{};
    hb_font_get_glyph_extents(measured.get(), glyph, &extents);
    return extents;
}

class FontSubsets : public testing::TestWithParam<const char*> {};

TEST_P(FontSubsets, KeepTheGlyphIdsAndOutlinesOfTheGlyphsDrawnAndLittleElse)
{
    const std::vector<std::uint8_t> bytes = ReadFontFile(GetParam());
    const Font font(bytes, GetParam(), "", 0);
    GlyphUse use(font);
    for (char32_t c : std::u32string_view(U"Wrenpage"))
        use.Record(font.Glyph(c), {&c, 1});

    const FontSubset subset(font, use);
    const std::string_view program = subset.Program();
    EXPECT_LT(program.size() * 4, bytes.size());
    const Font reloaded(std::vector<std::uint8_t>(program.begin(), program.end()), "/subset.otf", "", 0);
    EXPECT_EQ(reloaded.Outlines(), font.Outlines());
    EXPECT_EQ(reloaded.UnitsPerEm(), font.UnitsPerEm());
    EXPECT_EQ(reloaded.GlyphCount(), std::uint32_t{use.GlyphsByCode().rbegin()->first} + 1);
    for (char32_t c : std::u32string_view(U"Wp")) {
        const std::uint32_t glyph = font.Glyph(c);
        EXPECT_EQ(reloaded.Advance(glyph), font.Advance(glyph));
        EXPECT_EQ(Extents(reloaded, glyph).width, Extents(font, glyph).width);
        EXPECT_EQ(Extents(reloaded, glyph).height, Extents(font, glyph).height);
    }
    // A glyph not drawn is left empty, however the font drew it.
    EXPECT_EQ(Extents(reloaded, font.Glyph(U'A')).width, 0);
}

INSTANTIATE_TEST_SUITE_P(TrueTypeAndCff, FontSubsets, testing::Values(kDejaVuSans, kNimbusSans));

TEST(FontSubsetNames, AreTaggedAlikeForTheSameGlyphsAndApartForOthers)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    GlyphUse one(font);
    GlyphUse same(font);
    GlyphUse other(font);
    one.Record(font.Glyph(U'a'));
    same.Record(font.Glyph(U'a'));
    other.Record(font.Glyph(U'b'));
    const std::string name = FontSubset(font, one).BaseFont();
    ASSERT_EQ(name.size(), 6 + std::string("+DejaVuSans").size());
    EXPECT_EQ(name.substr(6), "+DejaVuSans");
    for (char letter : name.substr(0, 6))
        EXPECT_TRUE(letter >= 'A' && letter <= 'Z') << name;
    EXPECT_EQ(FontSubset(font, same).BaseFont(), name);
    EXPECT_NE(FontSubset(font, other).BaseFont(), name);
}

}  // namespace
