#include "xps/page/painter.h"

#include <algorithm>
#include <cmath>

#include "xps/document_failure.h"
#include "xps/page/document_resources.h"
#include "xps/document_status.h"
#include "xps/page/element_values.h"
#include "xps/text/glyph_run.h"
#include "xps/page/glyph_writer.h"
#include "xps/geometry/line_caps.h"
#include "xps/package/part_name.h"
#include "xps/geometry/path_writer.h"
#include "xps/geometry/pdf_space.h"
#include "xps/pdf/pdf_form.h"
#include "xps/page/resources.h"
#include "xps/geometry/xps_numbers.h"

namespace {

// Windows slants glyphs by this much for an italic simulation, and widens them by this share of the
// em for a bold one.
constexpr double kItalicSlant = 0.36397;
constexpr double kBoldWidth = 0.02;

PdfFillRule Rule(FillRule rule) { return rule == FillRule::NonZero ? PdfFillRule::NonZero : PdfFillRule::EvenOdd; }

bool Is(const std::string* value, std::string_view expected) { return value != nullptr && *value == expected; }

int PdfCap(const std::string* cap)
{
    if (Is(cap, "Round") || Is(cap, "Triangle"))
        return 1;
    return Is(cap, "Square") ? 2 : 0;
}

LineCap XpsCap(const std::string* cap)
{
    if (Is(cap, "Round"))
        return LineCap::Round;
    if (Is(cap, "Square"))
        return LineCap::Square;
    return Is(cap, "Triangle") ? LineCap::Triangle : LineCap::Flat;
}

bool IsOpaqueColor(const Paint& paint)
{
    return paint.kind == Paint::Kind::Color && !paint.colorSpace && paint.alpha >= 1;
}

// Whether an element draws with no clip, opacity or mask of its own.
bool IsPlain(const XmlElement& element)
{
    const std::string* opacity = element.Attribute("Opacity");
    if (element.Attribute("Clip") != nullptr || element.Attribute("OpacityMask") != nullptr ||
        (opacity != nullptr && ParseNumber(*opacity) < 1))
        return false;
    return std::none_of(element.children.begin(), element.children.end(), [&](const XmlElement& child) {
        return child.IsPropertyOf(element, "Clip") || child.IsPropertyOf(element, "OpacityMask");
    });
}

}  // namespace

Painter::Painter(DocumentResources& document, ResourceScopes& scopes, const std::string& part, double width, double height)
    : m_document(document), m_scopes(scopes), m_part(part), m_brushes(document, scopes, part, *this),
      m_page(std::make_unique<Surface>(PdfRect{0, 0, width * kPointsPerUnit, height * kPointsPerUnit})),
      m_matrix{kPointsPerUnit, 0, 0, -kPointsPerUnit, 0, height * kPointsPerUnit}
{
    m_surfaces.push_back(m_page.get());
}

void Painter::ApplyClip(const XmlElement& element, const Matrix& matrix)
{
    const std::optional<Geometry> clip = ReadGeometry(Property(element, "Clip", m_scopes), m_budget);
    if (!clip)
        return;
    const std::string path = FillPath(*clip, matrix);
    if (path.empty()) {
        // A clip of nothing shows nothing.
        Top().content.Rectangle({0, 0, 0, 0});
    } else {
        Top().content.AppendPath(path);
    }
    Top().content.Clip(Rule(clip->fillRule));
    Top().content.EndPath();
}

PdfGraphicsState Painter::Opacity(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    PdfGraphicsState state;
    const double opacity = std::clamp(NumberAttribute(element, "Opacity", 1), 0.0, 1.0);
    if (opacity < 1)
        state.fillAlpha = state.strokeAlpha = opacity;
    state.softMask = Mask(element, matrix, bounds);
    return state;
}

std::optional<PdfRef> Painter::Mask(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    const PropertyValue mask = Property(element, "OpacityMask", m_scopes);
    if (mask.text == nullptr && mask.element == nullptr)
        return std::nullopt;
    // What the mask brush paints, its alpha alone, is how much of the element shows.
    Surface surface(Top().box);
    const Paint paint = m_brushes.Make(mask, matrix, bounds, Top().box, m_depth + 1);
    if (paint.kind != Paint::Kind::Nothing) {
        m_surfaces.push_back(&surface);
        UsePaint(paint, false, {});
        surface.content.Rectangle(Top().box);
        surface.content.Fill(PdfFillRule::NonZero);
        m_surfaces.pop_back();
    }
    return WriteSoftMask(m_document.Writer(), PdfMaskSource::Alpha, PdfFormSetup(surface.box), surface.content,
                         surface.resources);
}

void Painter::Drew(const Rect& bounds, const Matrix& matrix)
{
    if (m_layers.empty())
        return;
    Layer& layer = m_layers.back();
    const std::optional<Matrix> fromSurface = layer.inner.Inverse();
    if (!fromSurface)
        return;
    const PdfRect box = ToPdf(MappedBox(matrix * *fromSurface, bounds));
    std::optional<Rect>& drawn = layer.drawn;
    drawn = drawn ? Rect{std::min(drawn->left, box.left), std::min(drawn->top, box.bottom), std::max(drawn->right, box.right),
                         std::max(drawn->bottom, box.top)}
                  : Rect{box.left, box.bottom, box.right, box.top};
}

void Painter::UsePaint(const Paint& paint, bool stroke, PdfGraphicsState state)
{
    PdfContent& content = Top().content;
    const double alpha = paint.alpha * (stroke ? state.strokeAlpha : state.fillAlpha).value_or(1);
    if (alpha < 1)
        (stroke ? state.strokeAlpha : state.fillAlpha) = alpha;
    if (!state.softMask)
        state.softMask = paint.softMask;
    if (state.fillAlpha || state.strokeAlpha || state.softMask)
        content.GraphicsState(Top().resources.ExtGState(WriteGraphicsState(m_document.Writer(), state)));
    if (paint.kind == Paint::Kind::Drawing)
        return;
    if (paint.kind == Paint::Kind::Pattern) {
        const std::string name = Top().resources.Pattern(paint.pattern);
        stroke ? content.StrokePattern(name) : content.FillPattern(name);
    } else if (paint.colorSpace) {
        const std::string name = Top().resources.ColorSpace(m_document.Writer().WriteShared(*paint.colorSpace));
        stroke ? content.StrokeColorSpace(name) : content.FillColorSpace(name);
        stroke ? content.StrokeColor(paint.components) : content.FillColor(paint.components);
    } else {
        stroke ? content.StrokeRgb(paint.red, paint.green, paint.blue) : content.FillRgb(paint.red, paint.green, paint.blue);
    }
}

void Painter::AddLink(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    const std::string* uri = element.Attribute("FixedPage.NavigateUri");
    if (uri == nullptr || m_visualDepth > 0)
        return;
    m_links.push_back({ToPdf(MappedBox(matrix, bounds)), *uri});
}

void Painter::PaintPath(const XmlElement& path)
{
    const Matrix matrix = ReadTransform(Property(path, "RenderTransform", m_scopes), m_matrix);
    const std::optional<Geometry> geometry = ReadGeometry(Property(path, "Data", m_scopes), m_budget);
    const std::optional<Rect> bounds = geometry ? Bounds(*geometry) : std::nullopt;
    if (!bounds)
        return;
    const PropertyValue fill = Property(path, "Fill", m_scopes);
    const PropertyValue stroke = Property(path, "Stroke", m_scopes);
    const double thickness = NumberAttribute(path, "StrokeThickness", 1);
    const Paint fillPaint = m_brushes.Make(fill, matrix, *bounds, Top().box, m_depth, true);
    const Paint strokePaint = thickness > 0 ? m_brushes.Make(stroke, matrix, *bounds, Top().box, m_depth) : Paint{};
    const bool filled = fillPaint.kind != Paint::Kind::Nothing;
    const bool stroked = strokePaint.kind != Paint::Kind::Nothing;
    AddLink(path, matrix, *bounds);
    if (!filled && !stroked)
        return;
    const double pen = stroked ? thickness / 2 : 0;
    Drew({bounds->left - pen, bounds->top - pen, bounds->right + pen, bounds->bottom + pen}, matrix);

    PdfContent& content = Top().content;
    // Most paths of most pages are one opaque colour and nothing else: those go without a state of
    // their own, in the surface's coordinates, so that a page of small shapes stays small.
    if (!stroked && IsOpaqueColor(fillPaint) && IsPlain(path)) {
        WritePath(m_outline, PathUse::Fill, *geometry, matrix);
        if (!m_outline.empty()) {
            content.FillRgb(fillPaint.red, fillPaint.green, fillPaint.blue);
            content.AppendPath(m_outline);
            content.Fill(Rule(geometry->fillRule));
        }
        return;
    }
    content.Save();
    ApplyClip(path, matrix);
    const PdfGraphicsState state = Opacity(path, matrix, *bounds);
    if (filled && fillPaint.kind == Paint::Kind::Drawing) {
        const std::string outline = FillPath(*geometry, matrix);
        if (!outline.empty()) {
            content.Save();
            UsePaint(fillPaint, false, state);
            content.AppendPath(outline);
            content.Clip(Rule(geometry->fillRule));
            content.EndPath();
            content.Transform(fillPaint.placement);
            content.Draw(Top().resources.XObject(fillPaint.form));
            content.Restore();
        }
    } else if (filled) {
        const std::string outline = FillPath(*geometry);
        if (!outline.empty()) {
            content.Save();
            UsePaint(fillPaint, false, state);
            content.Transform(ToPdf(matrix));
            content.AppendPath(outline);
            content.Fill(Rule(geometry->fillRule));
            content.Restore();
        }
    }
    if (stroked) {
        const std::string line = StrokePath(*geometry);
        if (!line.empty()) {
            content.Save();
            UsePaint(strokePaint, true, state);
            content.Transform(ToPdf(matrix));
            content.LineWidth(thickness);
            const std::string* startCap = path.Attribute("StrokeStartLineCap");
            const std::string* endCap = path.Attribute("StrokeEndLineCap");
            // PDF gives both ends one cap and has no triangle: the caps are then shapes of their own.
            const bool ownCaps = PdfCap(startCap) != PdfCap(endCap) || Is(startCap, "Triangle") || Is(endCap, "Triangle");
            std::vector<double> dashes;
            if (const std::string* dashArray = path.Attribute("StrokeDashArray")) {
                NumberScanner scanner(*dashArray);
                while (!scanner.AtEnd() && dashes.size() < 1024) {
                    if (!dashes.empty())
                        scanner.Separator();
                    dashes.push_back(scanner.Number() * thickness);
                }
            }
            const bool dashed = !dashes.empty() && std::all_of(dashes.begin(), dashes.end(), [](double d) { return d >= 0; }) &&
                                std::any_of(dashes.begin(), dashes.end(), [](double d) { return d > 0; });
            content.LineCap(dashed ? PdfCap(path.Attribute("StrokeDashCap")) : ownCaps ? 0 : PdfCap(startCap));
            const std::string* join = path.Attribute("StrokeLineJoin");
            content.LineJoin(Is(join, "Round") ? 1 : Is(join, "Bevel") ? 2 : 0);
            // Past a few thousand a miter limit limits nothing: it need not be too large to write.
            content.MiterLimit(std::clamp(NumberAttribute(path, "StrokeMiterLimit", 10), 1.0, 1e4));
            if (dashed)
                content.Dash(dashes, NumberAttribute(path, "StrokeDashOffset", 0) * thickness);
            content.AppendPath(line);
            content.Stroke();
            if (ownCaps && !dashed) {
                std::string caps;
                LineCapWriter writer(caps, XpsCap(startCap), XpsCap(endCap), thickness);
                geometry->Replay(writer);
                if (writer.Wrote()) {
                    UsePaint(strokePaint, false, state);
                    content.AppendPath(caps);
                    content.Fill(PdfFillRule::NonZero);
                }
            }
            content.Restore();
        }
    }
    content.Restore();
}

void Painter::PaintGlyphs(const XmlElement& glyphs)
{
    const Matrix matrix = ReadTransform(Property(glyphs, "RenderTransform", m_scopes), m_matrix);
    const double em = NumberAttribute(glyphs, "FontRenderingEmSize", 0);
    const std::string* fontUri = glyphs.Attribute("FontUri");
    if (fontUri == nullptr || em < 0)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    if (em == 0)
        return;
    const std::optional<PartReference> fontPart = m_scopes.Resolve(m_part, *fontUri);
    if (!fontPart)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    unsigned face = 0;
    if (!fontPart->fragment.empty())
        face = SplitFontUri("#" + fontPart->fragment).face;
    FontInUse& font = m_document.Font(fontPart->part, face);

    GlyphRunStyle style;
    style.emSize = em;
    style.sideways = Is(glyphs.Attribute("IsSideways"), "true");
    style.bidiLevel = static_cast<unsigned>(std::clamp(NumberAttribute(glyphs, "BidiLevel", 0), 0.0, 61.0));
    const std::string* simulation = glyphs.Attribute("StyleSimulations");
    style.bold = Is(simulation, "BoldSimulation") || Is(simulation, "BoldItalicSimulation");
    const std::string* unicode = glyphs.Attribute("UnicodeString");
    const std::string* indices = glyphs.Attribute("Indices");
    const std::vector<PlacedGlyph> placed =
        LayOutGlyphs(*font.font, style, unicode ? *unicode : "", indices ? std::optional<std::string_view>(*indices) : std::nullopt, m_budget);
    if (placed.empty())
        return;

    const Point origin{NumberAttribute(glyphs, "OriginX", 0), NumberAttribute(glyphs, "OriginY", 0)};
    const double scale = em / std::max(1u, font.font->UnitsPerEm());
    double left = INFINITY, right = -INFINITY;
    for (const PlacedGlyph& glyph : placed) {
        left = std::min(left, glyph.x);
        right = std::max(right, glyph.x + font.font->Advance(glyph.glyph) * scale);
    }
    const Rect bounds{origin.x + left, origin.y - font.font->Ascent() * scale, origin.x + right,
                      origin.y - font.font->Descent() * scale};
    AddLink(glyphs, matrix, bounds);
    const Paint paint = m_brushes.Make(Property(glyphs, "Fill", m_scopes), matrix, bounds, Top().box, m_depth);
    if (paint.kind == Paint::Kind::Nothing)
        return;
    Drew(bounds, matrix);

    PdfContent& content = Top().content;
    const bool bold = style.bold;
    const bool italic = Is(simulation, "ItalicSimulation") || Is(simulation, "BoldItalicSimulation");
    // Plain text in one opaque colour needs no state of its own: its matrix goes into the text's.
    const bool plain = !bold && IsOpaqueColor(paint) && IsPlain(glyphs);
    const Matrix toSurface = plain ? matrix : Matrix{};
    if (plain) {
        content.FillRgb(paint.red, paint.green, paint.blue);
    } else {
        content.Save();
        ApplyClip(glyphs, matrix);
        const PdfGraphicsState state = Opacity(glyphs, matrix, bounds);
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
    WriteGlyphRun(content, Top().resources, m_document, font, placed,
                  {em, origin, toSurface, italic ? kItalicSlant : 0, style.sideways});
    content.EndText();
    if (!plain)
        content.Restore();
}
