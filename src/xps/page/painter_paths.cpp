// Paths: their geometry filled by a colour, a pattern or a drawing placed inside the outline, and then
// stroked.
#include "xps/page/painter.h"

#include "xps/geometry/path_writer.h"
#include "xps/page/element_values.h"
#include "xps/page/painter_support.h"
#include "xps/page/resources.h"

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

    // Most paths of most pages are one opaque colour and nothing else: those go without a state of
    // their own, in the surface's coordinates, so that a page of small shapes stays small.
    if (!stroked && IsOpaqueColor(fillPaint) && IsPlain(path)) {
        WritePath(m_outline, PathUse::Fill, *geometry, matrix);
        if (!m_outline.empty()) {
            Top().content.FillRgb(fillPaint.red, fillPaint.green, fillPaint.blue);
            Top().content.AppendPath(m_outline);
            Top().content.Fill(Rule(geometry->fillRule));
        }
        return;
    }
    Top().content.Save();
    ApplyClip(path, matrix);
    const PdfGraphicsState state = Opacity(path, matrix, *bounds);
    if (filled)
        FillShape(*geometry, matrix, fillPaint, state);
    if (stroked)
        StrokeShape(path, *geometry, matrix, {strokePaint, state, thickness});
    Top().content.Restore();
}

void Painter::FillShape(const Geometry& geometry, const Matrix& matrix, const Paint& paint, const PdfGraphicsState& state)
{
    PdfContent& content = Top().content;
    // A drawing is clipped to the outline in the surface's space and placed there by its own matrix.
    const bool drawing = paint.kind == Paint::Kind::Drawing;
    const std::string outline = drawing ? FillPath(geometry, matrix) : FillPath(geometry);
    if (outline.empty())
        return;
    content.Save();
    UsePaint(paint, false, state);
    if (drawing) {
        content.AppendPath(outline);
        content.Clip(Rule(geometry.fillRule));
        content.EndPath();
        content.Transform(paint.placement);
        content.Draw(Top().resources.XObject(paint.form));
    } else {
        content.Transform(ToPdf(matrix));
        content.AppendPath(outline);
        content.Fill(Rule(geometry.fillRule));
    }
    content.Restore();
}
