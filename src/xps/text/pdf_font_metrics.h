// A font's numbers as a PDF CIDFont and its descriptor take them, in thousandths of an em.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "xps/text/font.h"
#include "xps/text/glyph_use.h"

// A glyph's horizontal advance as /W gives it, rounded to a whole thousandth: the width the PDF viewer
// advances by, which the content stream's positioning must start from.
std::int32_t PdfWidth(const Font& font, std::uint32_t glyph);

// The CIDFont's /W array for the glyphs used, as text ("[3 [600 722] 16 25 556]"): runs of three or
// more equal widths as a range, other neighbours as lists.
std::string PdfWidthArray(const Font& font, const GlyphUse& use);

struct PdfFontDescriptor {
    std::uint32_t flags;            // FixedPitch 1, Serif 2, Symbolic 4 or Nonsymbolic 32, Italic 64
    std::array<std::int32_t, 4> fontBBox;
    double italicAngle;
    std::int32_t ascent;
    std::int32_t descent;
    std::int32_t capHeight;
    std::int32_t stemV;             // estimated from the weight class: fonts do not record it
};

PdfFontDescriptor DescribeFont(const Font& font);
