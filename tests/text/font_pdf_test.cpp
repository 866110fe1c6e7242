// What PDF is told about a font: its widths, its descriptor, its ToUnicode map, and, end to end, a PDF
// made of them that poppler reads back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <sstream>

#include "font_files.h"
#include "process.h"
#include "xps/text/font.h"
#include "xps/text/font_subset.h"
#include "xps/text/glyph_use.h"
#include "xps/text/pdf_font_metrics.h"
#include "xps/text/to_unicode_cmap.h"

namespace {

std::string Decimal(long long value)
{
    char digits[24];
    return {digits, std::to_chars(digits, digits + sizeof digits, value).ptr};
}

std::string Hex4(unsigned value)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 12 & 0xF], kDigits[value >> 8 & 0xF], kDigits[value >> 4 & 0xF], kDigits[value & 0xF]};
}

// The /W array read back: "c [w...]" and "first last w".
std::map<long, long> ReadWidths(const std::string& array)
{
    std::string spaced;
    for (char c : array.substr(1, array.size() - 2))
        spaced += c == '[' || c == ']' ? std::string(" ") + c + " " : std::string(1, c);
    std::istringstream in(spaced);
    std::map<long, long> widths;
    std::string word;
    while (in >> word) {
        const long first = std::stol(word);
        in >> word;
        if (word == "[") {
            long glyph = first;
            while (in >> word && word != "]")
                widths[glyph++] = std::stol(word);
        } else {
            const long last = std::stol(word);
            in >> word;
            for (long glyph = first; glyph <= last; ++glyph)
                widths[glyph] = std::stol(word);
        }
    }
    return widths;
}

TEST(PdfWidths, GiveEveryGlyphDrawnItsAdvanceInThousandthsCompactly)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    GlyphUse use(font);
    for (char32_t c : std::u32string_view(U"0123456789ABCW\u00e9"))
        use.Record(font.Glyph(c));
    const std::string array = PdfWidthArray(font, use);

    std::map<long, long> expected;
    for (const auto& [glyph, text] : use.GlyphsByCode())
        expected[glyph] = std::lround(font.Advance(glyph) * 1000.0 / font.UnitsPerEm());
    EXPECT_EQ(ReadWidths(array), expected) << array;
    // The ten digits share one width, so they take one range.
    EXPECT_NE(array.find(Decimal(font.Glyph(U'0')) + " " + Decimal(font.Glyph(U'9')) + " 636"), std::string::npos)
        << array;
}

TEST(PdfFontDescriptors, TellFixedPitchSerifItalicAndSymbolicFonts)
{
    const PdfFontDescriptor sans = DescribeFont(Font(ReadFontFile(kDejaVuSans), "/a.ttf", "", 0));
    EXPECT_EQ(sans.flags, 32u);
    EXPECT_EQ(DescribeFont(Font(ReadFontFile(kDejaVuSansMono), "/b.ttf", "", 0)).flags, 32u | 1u);
    EXPECT_EQ(DescribeFont(Font(ReadFontFile(kDejaVuSerif), "/c.ttf", "", 0)).flags, 32u | 2u);
    const PdfFontDescriptor italic = DescribeFont(Font(ReadFontFile(kNimbusSansItalic), "/d.otf", "", 0));
    EXPECT_EQ(italic.flags & 64u, 64u);
    EXPECT_LT(italic.italicAngle, -5);
    EXPECT_GT(sans.ascent, sans.capHeight);
    EXPECT_GT(sans.capHeight, 600);
    EXPECT_LT(sans.descent, -100);
    EXPECT_LT(sans.fontBBox[0], 0);
    EXPECT_GT(sans.fontBBox[3], sans.ascent - 1);
    EXPECT_GT(sans.stemV, 0);
}

TEST(ToUnicodeMaps, MapLigaturesToTheirLettersAndNonBmpTextToSurrogatePairs)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    GlyphUse use(font);
    const std::uint32_t ligature = font.Glyph(0xFB01);
    ASSERT_NE(ligature, 0u);
    use.Record(ligature, U"fi");
    use.Record(font.Glyph(U'x'), U"\U0001D11E");
    for (char32_t c : std::u32string_view(U"abcde"))
        use.Record(font.Glyph(c), {&c, 1});
    EXPECT_EQ(use.Record(font.GlyphCount() + 5, U"lost").code, 0);

    const std::string cmap = ToUnicodeCMap(use);
    EXPECT_NE(cmap.find("<" + Hex4(ligature) + "> <00660069>"), std::string::npos) << cmap;
    EXPECT_NE(cmap.find("<" + Hex4(font.Glyph(U'x')) + "> <D834DD1E>"), std::string::npos) << cmap;
    EXPECT_NE(cmap.find("<" + Hex4(font.Glyph(U'a')) + "> <" + Hex4(font.Glyph(U'e')) + "> <0061>"), std::string::npos)
        << cmap;
    // A glyph the font lacks is drawn as .notdef, which still reads as its text.
    EXPECT_NE(cmap.find("<0000> <006C006F00730074>"), std::string::npos) << cmap;
}

// One glyph drawn for "A" and for "a" (small capitals) reads as each through a variant of its own; a
// glyph of no text maps to none; past the bound of variants a glyph reads as its first text.
TEST(ToUnicodeMaps, ReadAGlyphAsEachOfItsTextsThroughVariantsWithinTheirBound)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    GlyphUse use(font);
    const std::uint32_t capital = font.Glyph(U'A');
    EXPECT_EQ(use.Record(capital, U"A").variant, 0u);
    EXPECT_EQ(use.Record(capital, U"a").variant, 1u);
    EXPECT_EQ(use.Record(capital, U"A", 1).variant, 0u);
    // A glyph new to the variant in use is taken there, so the run need not switch.
    EXPECT_EQ(use.Record(font.Glyph(U'B'), U"B", 1).variant, 1u);
    EXPECT_EQ(use.Record(font.Glyph(U'C'), U"").variant, 0u);
    EXPECT_NE(ToUnicodeCMap(use, 0).find("<" + Hex4(capital) + "> <0041>"), std::string::npos);
    EXPECT_NE(ToUnicodeCMap(use, 1).find("<" + Hex4(capital) + "> <0061>"), std::string::npos);
    EXPECT_NE(ToUnicodeCMap(use, 0).find("<" + Hex4(font.Glyph(U'C')) + "> <>"), std::string::npos);

    const std::uint32_t many = font.Glyph(U'x');
    for (char32_t text = 0x4E00; text < 0x4E00 + kMaxTextVariants; ++text)
        EXPECT_EQ(use.Record(many, std::u32string_view(&text, 1)).variant, text - 0x4E00);
    // Past them it reads as its first text.
    EXPECT_EQ(use.Record(many, U"\u9999", 7).variant, 0u);
    EXPECT_EQ(use.Variants(), kMaxTextVariants);
}

TEST(ToUnicodeMaps, HoldAtMostAHundredEntriesABlock)
{
    const Font font(ReadFontFile(kDejaVuSans), "/Fonts/DejaVuSans.ttf", "", 0);
    GlyphUse use(font);
    for (char32_t glyph = 1; glyph <= 250; ++glyph) {
        const char32_t text = 0x4E00 + 2 * glyph;
        use.Record(glyph, {&text, 1});
    }
    const std::string cmap = ToUnicodeCMap(use);
    const auto blocks = [&cmap](const std::string& opening) {
        std::size_t count = 0;
        for (std::size_t at = cmap.find(opening); at != std::string::npos; at = cmap.find(opening, at + 1))
            ++count;
        return count;
    };
    EXPECT_EQ(blocks("\n100 beginbfchar\n"), 2u);
    EXPECT_EQ(blocks("\n50 beginbfchar\n"), 1u);
    EXPECT_EQ(blocks("beginbfchar"), 3u);
}

// A one-page PDF drawing a line of text with a Type 0 font made of the subset, its widths, descriptor
// and ToUnicode map, as the translator is to write them.
std::string WritePdf(const Font& font, const FontSubset& subset, const GlyphUse& use, const std::string& glyphCodes)
{
    const PdfFontDescriptor descriptor = DescribeFont(font);
    const bool trueType = subset.Outlines() == FontOutlines::TrueType;
    const std::string cmap = ToUnicodeCMap(use);
    const std::string content = "BT /F1 24 Tf 20 40 Td <" + glyphCodes + "> Tj ET";
    char angle[16];
    const std::string italicAngle(angle, std::to_chars(angle, angle + sizeof angle, descriptor.italicAngle).ptr);
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 100] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>",
        "<< /Type /Font /Subtype /Type0 /BaseFont /" + subset.BaseFont() +
            " /Encoding /Identity-H /DescendantFonts [6 0 R] /ToUnicode 7 0 R >>",
        "<< /Length " + Decimal(static_cast<long long>(content.size())) + " >>\nstream\n" + content + "\nendstream",
        std::string("<< /Type /Font /Subtype ") + (trueType ? "/CIDFontType2" : "/CIDFontType0") + " /BaseFont /" +
            subset.BaseFont() + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>" +
            " /FontDescriptor 8 0 R /W " + PdfWidthArray(font, use) + (trueType ? " /CIDToGIDMap /Identity" : "") + " >>",
        "<< /Length " + Decimal(static_cast<long long>(cmap.size())) + " >>\nstream\n" + cmap + "\nendstream",
        "<< /Type /FontDescriptor /FontName /" + subset.BaseFont() + " /Flags " + Decimal(descriptor.flags) +
            " /FontBBox [" + Decimal(descriptor.fontBBox[0]) + " " + Decimal(descriptor.fontBBox[1]) + " " +
            Decimal(descriptor.fontBBox[2]) + " " + Decimal(descriptor.fontBBox[3]) + "] /ItalicAngle " + italicAngle +
            " /Ascent " + Decimal(descriptor.ascent) + " /Descent " + Decimal(descriptor.descent) + " /CapHeight " +
            Decimal(descriptor.capHeight) + " /StemV " + Decimal(descriptor.stemV) +
            (trueType ? " /FontFile2" : " /FontFile3") + " 9 0 R >>",
        std::string("<< /Length ") + Decimal(static_cast<long long>(subset.Program().size())) +
            (trueType ? "" : " /Subtype /OpenType") + " >>\nstream\n" + std::string(subset.Program()) + "\nendstream",
    };
    std::string pdf = "%PDF-1.6\n%\xe2\xe3\xcf\xd3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += Decimal(static_cast<long long>(i + 1)) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + Decimal(static_cast<long long>(objects.size() + 1)) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        const std::string digits = Decimal(static_cast<long long>(offset));
        pdf += std::string(10 - digits.size(), '0') + digits + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + Decimal(static_cast<long long>(objects.size() + 1)) +
           " /Root 1 0 R >>\nstartxref\n" + Decimal(static_cast<long long>(xref)) + "\n%%EOF\n";
    return pdf;
}

class PdfFonts : public testing::TestWithParam<const char*> {};

TEST_P(PdfFonts, EmbedAsSubsetsThatPopplerDrawsAndReadsTheTextOf)
{
    const Font font(ReadFontFile(GetParam()), GetParam(), "", 0);
    GlyphUse use(font);
    std::string codes;
    const std::u32string_view line = U"Wrenpage fits";
    for (std::size_t i = 0; i < line.size(); ++i) {
        // "fi" is drawn as its ligature: two characters, one glyph.
        const bool ligature = line.substr(i, 2) == U"fi";
        const std::uint32_t glyph = ligature ? font.Glyph(0xFB01) : font.Glyph(line[i]);
        ASSERT_NE(glyph, 0u);
        codes += Hex4(use.Record(glyph, line.substr(i, ligature ? 2 : 1)).code);
        i += ligature ? 1 : 0;
    }
    const FontSubset subset(font, use);

    const std::string path = testing::TempDir() + "fonts_test_" + Decimal(getpid()) + ".pdf";
    std::ofstream(path, std::ios::binary) << WritePdf(font, subset, use, codes);
    const ProcessRun text = RunProcess("/usr/bin/pdftotext", {"-enc", "UTF-8", path, "-"});
    const ProcessRun fonts = RunProcess("/usr/bin/pdffonts", {path});
    const ProcessRun drawn = RunProcess("/usr/bin/pdftoppm", {"-r", "20", "-png", path, path});
    unlink(path.c_str());
    unlink((path + "-1.png").c_str());

    EXPECT_EQ(text.out.substr(0, text.out.find('\n')), "Wrenpage fits") << text.err;
    const std::size_t row = fonts.out.find(subset.BaseFont());
    ASSERT_NE(row, std::string::npos) << fonts.out << fonts.err;
    std::istringstream fontRow(fonts.out.substr(row, fonts.out.find('\n', row) - row));
    std::vector<std::string> columns{std::istream_iterator<std::string>(fontRow), std::istream_iterator<std::string>()};
    // Embedded, subset, with a ToUnicode map.
    ASSERT_GE(columns.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(columns.end() - 6, columns.end() - 2),
              (std::vector<std::string>{"Identity-H", "yes", "yes", "yes"}));
    // poppler complains on standard error of any font it cannot use.
    EXPECT_EQ(drawn.exitCode, 0);
    EXPECT_EQ(drawn.err, "");
    EXPECT_EQ(fonts.err, "");
}

INSTANTIATE_TEST_SUITE_P(TrueTypeAndCff, PdfFonts, testing::Values(kDejaVuSans, kNimbusSans));

}  // namespace
