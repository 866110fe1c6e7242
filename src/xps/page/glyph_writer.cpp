#include "xps/page/glyph_writer.h"

#include <algorithm>

#include "xps/geometry/pdf_space.h"
#include "xps/text/pdf_font_metrics.h"

void WriteGlyphRun(PdfContent& content, PdfResources& names, DocumentResources& document, FontInUse& font,
                   const std::vector<PlacedGlyph>& placed, const GlyphPlacement& placement)
{
    const double em = placement.em;
    const Point origin = placement.origin;
    content.Font(names.Font(font.object), 1);
    // A glyph whose text differs from what its code reads as in the variant in use is written through
    // another variant, which starts a new run.
    unsigned variant = 0;
    std::vector<PdfGlyph> run;
    const auto record = [&](const PlacedGlyph& glyph) {
        const GlyphCode code = font.glyphs->Record(glyph.glyph, glyph.text, variant);
        if (code.variant != variant) {
            if (!run.empty())
                content.ShowGlyphs(run);
            run.clear();
            variant = code.variant;
            content.Font(names.Font(document.FontVariant(font, variant)), 1);
        }
        return code.code;
    };
    // A sideways glyph is turned a quarter counter-clockwise, its vertical origin (the middle of its
    // top) on the baseline, and each goes on its own: the run advances by the glyphs' heights.
    if (placement.sideways) {
        const double scale = em / std::max(1u, font.font->UnitsPerEm());
        for (const PlacedGlyph& glyph : placed) {
            const std::uint16_t id = record(glyph);
            const double x = origin.x + glyph.x + font.font->Ascent() * scale;
            const double y = origin.y + glyph.y + font.font->Advance(glyph.glyph) * scale / 2;
            content.TextMatrix(ToPdf(Matrix{0, -em, -em, 0, x, y} * placement.toSurface));
            content.ShowGlyphs({{id, 0}});
        }
        return;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const PlacedGlyph& glyph = placed[i];
        const std::uint16_t id = record(glyph);
        // Text space is the em, y up, so the run is drawn upright in the page's y-down space.
        if (run.empty()) {
            content.TextMatrix(ToPdf(Matrix{em, 0, em * placement.slant, -em, origin.x + glyph.x, origin.y + glyph.y} *
                                     placement.toSurface));
        }
        PdfGlyph shown{id, 0};
        const bool last = i + 1 == placed.size();
        if (!last && placed[i + 1].y == glyph.y) {
            const double moved = (placed[i + 1].x - glyph.x) / em * 1000;
            shown.adjustment = PdfWidth(*font.font, font.glyphs->GlyphOf(id)) - moved;
        }
        run.push_back(shown);
        if (last || placed[i + 1].y != glyph.y) {
            content.ShowGlyphs(run);
            run.clear();
        }
    }
}
