#include "xps/text/pdf_font_metrics.h"

#include <cmath>
#include <vector>

#include "xps/pdf/pdf_number.h"

namespace {

std::int32_t Thousandths(const Font& font, std::int32_t units)
{
    return static_cast<std::int32_t>(std::lround(units * 1000.0 / font.UnitsPerEm()));
}

}  // namespace

std::int32_t PdfWidth(const Font& font, std::uint32_t glyph)
{
    return Thousandths(font, font.Advance(glyph));
}

std::string PdfWidthArray(const Font& font, const GlyphUse& use)
{
    std::vector<std::pair<std::uint32_t, std::int32_t>> widths;
    for (const auto& [code, glyph] : use.GlyphsByCode())
        widths.emplace_back(code, PdfWidth(font, glyph));

    std::string array = "[";
    const auto separate = [&array] {
        if (array.back() != '[')
            array += ' ';
    };
    bool listOpen = false;
    for (std::size_t i = 0; i < widths.size();) {
        std::size_t same = i + 1;
        while (same < widths.size() && widths[same].first == widths[same - 1].first + 1 &&
               widths[same].second == widths[i].second)
            ++same;
        if (same - i >= 3) {
            if (listOpen)
                array += ']';
            listOpen = false;
            separate();
            AppendPdfInteger(array, widths[i].first);
            array += ' ';
            AppendPdfInteger(array, widths[same - 1].first);
            array += ' ';
            AppendPdfInteger(array, widths[i].second);
            i = same;
            continue;
        }
        if (listOpen && widths[i].first == widths[i - 1].first + 1) {
            array += ' ';
        } else {
            if (listOpen)
                array += ']';
            separate();
            AppendPdfInteger(array, widths[i].first);
            array += " [";
            listOpen = true;
        }
        AppendPdfInteger(array, widths[i].second);
        ++i;
    }
    if (listOpen)
        array += ']';
    return array + "]";
}

PdfFontDescriptor DescribeFont(const Font& font)
{
    const FontBox box = font.Box();
    const double weight = (font.Weight() - 50.0) / 900.0;
    return {(font.FixedPitch() ? 1u : 0u) | (font.Serif() ? 2u : 0u) | (font.Symbolic() ? 4u : 32u) |
                (font.Italic() ? 64u : 0u),
            {Thousandths(font, box.xMin), Thousandths(font, box.yMin), Thousandths(font, box.xMax),
             Thousandths(font, box.yMax)},
            std::round(font.ItalicAngle() * 100) / 100,
            Thousandths(font, font.Ascent()),
            Thousandths(font, font.Descent()),
            Thousandths(font, font.CapHeight()),
            static_cast<std::int32_t>(std::lround(10 + 220 * weight * weight))};
}
