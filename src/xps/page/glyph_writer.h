// A laid out run of glyphs written into a text object: each glyph's code, through the variant of its
// font that reads it as its text, placed by the text matrix and the shown advances.
#pragma once

#include <vector>

#include "xps/geometry/matrix.h"
#include "xps/page/document_resources.h"
#include "xps/pdf/pdf_content.h"
#include "xps/pdf/pdf_resources.h"
#include "xps/text/glyph_run.h"

struct GlyphPlacement {
    double em = 0;
    // The run's origin in the page's space, and from that space to the one the text object draws in.
    Point origin;
    Matrix toSurface;
    // The shear of a simulated italic, 0 for none.
    double slant = 0;
    bool sideways = false;
};

// Between BeginText and EndText; starts in the font's first variant.
void WriteGlyphRun(PdfContent& content, PdfResources& names, DocumentResources& document, FontInUse& font,
                   const std::vector<PlacedGlyph>& placed, const GlyphPlacement& placement);
