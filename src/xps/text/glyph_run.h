// A Glyphs element laid out: which glyph goes where, and which text each stands for, from its Indices,
// its UnicodeString and the font's own metrics.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xps/geometry/geometry_sink.h"
#include "xps/text/font.h"

struct PlacedGlyph {
    std::uint32_t glyph;
    // From the run's origin, in the page's units: x along the baseline, y down.
    double x;
    double y;
    // The cluster's text with its first glyph, none with its others or where the run gives none.
    std::u32string text;
};

struct GlyphRunStyle {
    double emSize = 0;
    bool sideways = false;
    // Odd levels run right to left.
    unsigned bidiLevel = 0;
    // Emboldened glyphs take a fiftieth of an em more than the font's advance.
    bool bold = false;
};

// Lays the run out. indices is the Indices attribute where there is one; unicode the UnicodeString as
// UTF-8. Every glyph spends from budget. Indices that do not parse fail with XPS_E_INVALID_MARKUP.
std::vector<PlacedGlyph> LayOutGlyphs(const Font& font, const GlyphRunStyle& style, std::string_view unicode,
                                      std::optional<std::string_view> indices, SegmentBudget& budget);

// UTF-8 as UTF-16 code units, which cluster maps count; bytes that are not UTF-8 become U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
