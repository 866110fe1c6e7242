// Glyphs: a run laid out in its font, filled by a brush, with bold and italic simulated as Windows does.
#include "xps/page/painter.h"

#include <algorithm>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/package/part_name.h"
#include "xps/page/document_resources.h"
#include "xps/page/element_values.h"
#include "xps/page/glyph_writer.h"
#include "xps/page/painter_support.h"
#include "xps/page/resources.h"

namespace {

// Windows slants glyphs by this much for an italic simulation, and widens them by this share of the
// em for a bold one.
constexpr double kItalicSlant = 0.36397;
constexpr double kBoldWidth = 0.02;

}  // namespace

struct Painter::GlyphRunIn {
    FontInUse* font = nullptr;
    GlyphRunStyle style;
    bool italic = false;
    std::vector<PlacedGlyph> placed;
    Point origin;
    // The run's box in the element's space, from its advances and the font's ascent and descent.
    Rect bounds;
};

std::optional<Painter::GlyphRunIn> Painter::LayOut(const XmlElement& glyphs)
{
    const double em = NumberAttribute(glyphs, "FontRenderingEmSize", 0);
    const std::string* fontUri = glyphs.Attribute("FontUri");
    if (fontUri == nullptr || em < 0)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    if (em == 0)
        return std::nullopt;
    const std::optional<PartReference> fontPart = m_scopes.Resolve(m_part, *fontUri);
    if (!fontPart)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    unsigned face = 0;
    if (!fontPart->fragment.empty())
        face = SplitFontUri("#" + fontPart->fragment).face;
    GlyphRunIn run;
    run.font = &m_document.Font(fontPart->part, face);
    const Font& font = *run.font->font;

    run.style.emSize = em;
    run.style.sideways = Is(glyphs.Attribute("IsSideways"), "true");
    run.style.bidiLevel = static_cast<unsigned>(std::clamp(NumberAttribute(glyphs, "BidiLevel", 0), 0.0, 61.0));
    const std::string* simulation = glyphs.Attribute("StyleSimulations");
    run.style.bold = Is(simulation, "BoldSimulation") || Is(simulation, "BoldItalicSimulation");
    run.italic = Is(simulation, "ItalicSimulation") || Is(simulation, "BoldItalicSimulation");
    const std::string* unicode = glyphs.Attribute("UnicodeString");
    const std::string* indices = glyphs.Attribute("Indices");
    run.placed = LayOutGlyphs(font, run.style, unicode ? *unicode : "",
                              indices ? std::optional<std::string_view>(*indices) : std::nullopt, m_budget);
    if (run.placed.empty())
        return std::nullopt;

    run.origin = {NumberAttribute(glyphs, "OriginX", 0), NumberAttribute(glyphs, "OriginY", 0)};
    const double scale = em / std::max(1u, font.UnitsPerEm());
    double left = INFINITY, right = -INFINITY;
    for (const PlacedGlyph& glyph : run.placed) {
        left = std::min(left, glyph.x);
        right = std::max(right, glyph.x + font.Advance(glyph.glyph) * scale);
    }
    run.bounds = {run.origin.x + left, run.origin.y - font.Ascent() * scale, run.origin.x + right,
                  run.origin.y - font.Descent() * scale};
    return run;
}

void Painter::PaintGlyphs(const XmlElement& glyphs)
{
    const Matrix matrix = ReadTransform(Property(glyphs, "RenderTransform", m_scopes), m_matrix);
    const std::optional<GlyphRunIn> run = LayOut(glyphs);
    if (!run)
        return;
    AddLink(glyphs, matrix, run->bounds);
    const Paint paint = m_brushes.Make(Property(glyphs, "Fill", m_scopes), matrix, run->bounds, Top().box, m_depth);
    if (paint.kind == Paint::Kind::Nothing)
        return;
    Drew(run->bounds, matrix);

    PdfContent& content = Top().content;
    const double em = run->style.emSize;
    const bool bold = run->style.bold;
    // Plain text in one opaque colour needs no state of its own: its matrix goes into the text's.
    const bool plain = !bold && IsOpaqueColor(paint) && IsPlain(glyphs);
    const Matrix toSurface = plain ? matrix : Matrix{};
    if (plain) {
        content.FillRgb(paint.red, paint.green, paint.blue);
    } else {
        content.Save();
        ApplyClip(glyphs, matrix);
        const PdfGraphicsState state = Opacity(glyphs, matrix, run->bounds);
        UsePaint(paint, false, state);
        if (bold) {
            UsePaint(paint, true, state);
            content.LineWidth(em * kBoldWidth);
        }
        content.Transform(ToPdf(matrix));
    }
    content.BeginText();
    if (bold)
        content.TextRenderMode(2);
    WriteGlyphRun(content, Top().resources, m_document, *run->font, run->placed,
                  {em, run->origin, toSurface, run->italic ? kItalicSlant : 0, run->style.sideways});
    content.EndText();
    if (!plain)
        content.Restore();
}
