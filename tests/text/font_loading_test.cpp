// Font parts as XPS packages hold them: plain, obfuscated, collected, and not fonts at all.
#include <gtest/gtest.h>

#include "font_files.h"
#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/text/font.h"
#include "xps/text/font_subset.h"
#include "xps/text/glyph_use.h"

namespace {

HRESULT LoadStatus(std::vector<std::uint8_t> bytes, const char* name, unsigned face = 0)
{
    try {
        Font font(std::move(bytes), name, "application/vnd.ms-opentype", face);
        return S_OK;
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
}

TEST(FontLoading, GivesTheMetricsCmapAndOutlinesOfAFont)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    EXPECT_EQ(font.UnitsPerEm(), 2048u);
    EXPECT_EQ(font.Outlines(), FontOutlines::TrueType);
    EXPECT_EQ(font.PostScriptName(), "DejaVuSans");
    const std::uint32_t a = font.Glyph(U'A');
    EXPECT_NE(a, 0u);
    EXPECT_EQ(font.Glyph(0x10FFFD), 0u);
    EXPECT_EQ(font.Advance(a), 1401);
    EXPECT_EQ(font.Advance(font.GlyphCount()), 0);
    EXPECT_GT(font.VerticalAdvance(a), 0);
    EXPECT_GT(font.Ascent(), font.CapHeight());
    EXPECT_GT(font.CapHeight(), 0);
    EXPECT_LT(font.Descent(), 0);
    const Font cff(ReadFontFile(kNimbusSans), "/Fonts/NimbusSans.otf", "", 0);
    EXPECT_EQ(cff.Outlines(), FontOutlines::Cff);
    EXPECT_EQ(cff.PostScriptName(), "NimbusSans-Regular");
}

// The key is the GUID's bytes from last to first: 00112233-4455-6677-8899-AABBCCDDEEFF gives FF EE .. 00.
TEST(FontLoading, DeobfuscatesWithTheGuidOfThePartName)
{
    const std::vector<std::uint8_t> plain = ReadFontFile(kDejaVuSans);
    constexpr std::uint8_t kKey[16] = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88,
                                       0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00};
    std::vector<std::uint8_t> obfuscated = plain;
    for (std::size_t i = 0; i < 32; ++i)
        obfuscated[i] ^= kKey[i % 16];

    const Font original(plain, "/Fonts/DejaVuSans.ttf", "", 0);
    const Font byName(obfuscated, "/Resources/Fonts/00112233-4455-6677-8899-AABBCCDDEEFF.odttf", "", 0);
    const Font byType(obfuscated, "/Resources/Fonts/{00112233445566778899aabbccddeeff}.dat",
                      "application/vnd.ms-package.obfuscated-opentype", 0);
    EXPECT_EQ(byName.Glyph(U'A'), original.Glyph(U'A'));
    EXPECT_EQ(byType.Glyph(U'A'), original.Glyph(U'A'));
    EXPECT_EQ(byName.GlyphCount(), original.GlyphCount());

    EXPECT_EQ(LoadStatus(obfuscated, "/Fonts/DejaVuSans.ttf"), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(LoadStatus(obfuscated, "/Fonts/Not-A-Guid.odttf"), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(LoadStatus(std::vector<std::uint8_t>(20, 0), "/Fonts/00112233-4455-6677-8899-AABBCCDDEEFF.odttf"),
              DWRITE_E_FILEFORMAT);
}

TEST(FontLoading, PicksACollectionsFaceByIndexAndRefusesOnePastIt)
{
    const std::vector<std::uint8_t> collection = MakeCollection(ReadFontFile(kDejaVuSans), ReadFontFile(kDejaVuSerif));
    const FontReference reference = SplitFontUri("/Fonts/Dejavu.ttc#1");
    EXPECT_EQ(reference.part, "/Fonts/Dejavu.ttc");
    EXPECT_EQ(reference.face, 1u);
    EXPECT_EQ(Font(collection, reference.part, "", 0).PostScriptName(), "DejaVuSans");
    EXPECT_EQ(Font(collection, reference.part, "", reference.face).PostScriptName(), "DejaVuSerif");
    EXPECT_EQ(LoadStatus(collection, "/Fonts/Dejavu.ttc", 2), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(LoadStatus(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", 1), DWRITE_E_FILEFORMAT);
    EXPECT_THROW(SplitFontUri("/Fonts/Dejavu.ttc#x"), DocumentFailure);
    EXPECT_THROW(SplitFontUri("/Fonts/Dejavu.ttc#99999999999"), DocumentFailure);
}

TEST(FontLoading, RefusesWhatIsNoFont)
{
    const std::string png = "\x89PNG\r\n\x1a\n and the rest of a picture";
    EXPECT_EQ(LoadStatus({png.begin(), png.end()}, "/Fonts/font.ttf"), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(LoadStatus({}, "/Fonts/font.ttf"), DWRITE_E_FILEFORMAT);
    EXPECT_EQ(LoadStatus(std::vector<std::uint8_t>(4096, 0), "/Fonts/font.ttf"), DWRITE_E_FILEFORMAT);
}

// Whatever is left of a font cut short or scribbled over, loading and subsetting it either works or ends
// in DWRITE_E_FILEFORMAT (run under the sanitizers, this also finds reads out of bounds).
TEST(FontLoading, FontsCutShortOrDamagedLoadOrFailWithTheFontStatus)
{
    for (const char* path : {kDejaVuSans, kNimbusSans}) {
        const std::vector<std::uint8_t> whole = ReadFontFile(path);
        std::vector<std::vector<std::uint8_t>> damaged;
        for (std::size_t length : {std::size_t{12}, std::size_t{300}, std::size_t{5000}, whole.size() / 2})
            damaged.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        for (std::size_t at = 12; at < 12 + 16 * 12; at += 7) {
            damaged.push_back(whole);
            damaged.back()[at] ^= 0xA5;
        }
        for (const std::vector<std::uint8_t>& bytes : damaged) {
            try {
                const Font font(bytes, "/Fonts/damaged.ttf", "", 0);
                GlyphUse use(font);
                for (char32_t c : std::u32string_view(U"Damaged"))
                    use.Record(font.Glyph(c), {&c, 1});
                const FontSubset subset(font, use);
                EXPECT_FALSE(subset.Program().empty());
            } catch (const DocumentFailure& failure) {
                EXPECT_EQ(failure.Status(), DWRITE_E_FILEFORMAT);
            }
        }
    }
}

}  // namespace
