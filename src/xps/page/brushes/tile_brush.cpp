// Image and visual brushes: a cell, the viewbox's content mapped onto the viewport, repeated (and
// flipped) as a tiling pattern, or drawn once where the brush does not tile.
#include "xps/page/brushes/brush_painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/xml_space.h"
#include "xps/page/brushes/brush_support.h"
#include "xps/pdf/pdf_form.h"

namespace {

// The step between cells: the cell's own size where the brush tiles, and where it does not, far enough
// that the next would start beyond anything the area shows.
std::pair<double, double> TileStep(bool tiled, const Rect& reach, const Rect& viewport, double cellWidth, double cellHeight)
{
    if (tiled) {
        const double tiles = std::ceil(Width(reach) / cellWidth + 1) * std::ceil(Height(reach) / cellHeight + 1);
        if (!(tiles <= kMaxTiles))
            ThrowDocument(XPS_E_INVALID_MARKUP);
        return {cellWidth, cellHeight};
    }
    const double span = std::max({Width(reach), Height(reach), cellWidth, cellHeight}) +
                        std::max({std::fabs(reach.left - viewport.left), std::fabs(reach.top - viewport.top),
                                  std::fabs(reach.right - viewport.left), std::fabs(reach.bottom - viewport.top)});
    const double step = std::min(2 * span, 1e7);
    return {step, step};
}

}  // namespace

Paint BrushPainter::Tiled(const XmlElement& brush, bool lasting, const Matrix& toSurface, const Rect& bounds,
                          const PdfRect& area, int depth, bool drawing)
{
    Rect viewport = ParseBox(brush.Attribute("Viewport"));
    const Rect viewbox = ParseBox(brush.Attribute("Viewbox"));
    if (IsRelative(brush, "ViewportUnits")) {
        const Matrix box = BoxMapping(bounds);
        const Point a = box.Apply({viewport.left, viewport.top});
        const Point b = box.Apply({viewport.right, viewport.bottom});
        viewport = {a.x, a.y, b.x, b.y};
    }
    if (!(Width(viewport) > 0 && Height(viewport) > 0 && Width(viewbox) > 0 && Height(viewbox) > 0))
        return {};
    const std::string mode = brush.Attribute("TileMode") ? *brush.Attribute("TileMode") : "None";
    const bool tiled = mode != "None";
    const bool flipX = mode == "FlipX" || mode == "FlipXY";
    const bool flipY = mode == "FlipY" || mode == "FlipXY";
    const double cellWidth = Width(viewport) * (flipX ? 2 : 1);
    const double cellHeight = Height(viewport) * (flipY ? 2 : 1);

    const Matrix brushToSurface = BrushTransform(brush, m_source.Scopes()) * toSurface;
    const std::optional<Rect> reach = AreaIn(brushToSurface, area);
    if (!reach)
        return {};
    const auto [stepX, stepY] = TileStep(tiled, *reach, viewport, cellWidth, cellHeight);

    Surface cell(PdfRect{viewport.left, viewport.top, viewport.left + cellWidth, viewport.top + cellHeight});
    std::optional<PdfRef> passing;
    if (!tiled && drawing) {
        DrawCell(brush, lasting, cell, viewbox, viewport, depth, passing);
        Paint paint;
        paint.kind = Paint::Kind::Drawing;
        paint.form = WriteForm(m_source.Writer(), PdfFormSetup(cell.box), cell.content, cell.resources);
        paint.placement = ToPdf(brushToSurface);
        return paint;
    }
    for (int copyY = 0; copyY < (flipY ? 2 : 1); ++copyY) {
        for (int copyX = 0; copyX < (flipX ? 2 : 1); ++copyX) {
            // Flipped copies mirror the first about the viewport's far edges.
            const Matrix mirror{copyX ? -1.0 : 1.0, 0, 0, copyY ? -1.0 : 1.0, copyX ? 2 * viewport.right : 0,
                                copyY ? 2 * viewport.bottom : 0};
            cell.content.Save();
            cell.content.Transform(ToPdf(mirror));
            DrawCell(brush, lasting, cell, viewbox, viewport, depth, passing);
            cell.content.Restore();
        }
    }
    Paint paint;
    paint.kind = Paint::Kind::Pattern;
    PdfTilingSetup setup(cell.box, stepX, stepY, ToPdf(brushToSurface));
    paint.pattern = WriteTilingPattern(m_source.Writer(), setup, cell.content, cell.resources);
    return paint;
}

void BrushPainter::DrawCell(const XmlElement& brush, bool lasting, Surface& cell, const Rect& viewbox,
                            const Rect& viewport, int depth, std::optional<PdfRef>& passing)
{
    const double sx = Width(viewport) / Width(viewbox);
    const double sy = Height(viewport) / Height(viewbox);
    const Matrix toViewport{sx, 0, 0, sy, viewport.left - viewbox.left * sx, viewport.top - viewbox.top * sy};
    cell.content.Rectangle({viewport.left, viewport.top, viewport.right, viewport.bottom});
    cell.content.Clip(PdfFillRule::NonZero);
    cell.content.EndPath();
    if (brush.name == "ImageBrush") {
        DrawImage(brush, cell, toViewport);
        return;
    }
    cell.content.Transform(ToPdf(toViewport));

    const PropertyValue visual = Property(brush, "Visual", m_source.Scopes());
    if (visual.element == nullptr)
        return;
    const auto draw = [&] {
        Surface drawing(PdfRect{viewbox.left, viewbox.top, viewbox.right, viewbox.bottom});
        m_source.PaintVisual(*visual.element, drawing, depth + 1);
        return WriteForm(m_source.Writer(), PdfFormSetup(drawing.box), drawing.content, drawing.resources);
    };
    if (!visual.lasting && !lasting) {
        if (!passing)
            passing = draw();
        cell.content.Draw(cell.resources.XObject(*passing));
        return;
    }
    auto [found, added] = m_visualForms.try_emplace({visual.element, viewbox.left, viewbox.top, viewbox.right, viewbox.bottom});
    // A visual that draws itself, through brushes in its own dictionary, is drawn once, and not inside.
    if (!added && !found->second)
        return;
    if (added)
        found->second = draw();
    cell.content.Draw(cell.resources.XObject(found->second));
}

void BrushPainter::DrawImage(const XmlElement& brush, Surface& cell, const Matrix& toViewport)
{
    const std::string* source = brush.Attribute("ImageSource");
    if (source == nullptr)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    std::string uri = *source;
    std::string profile;
    // {ColorConvertedBitmap image profile}: the image in the profile's colour space.
    if (const std::size_t open = uri.find('{'); open != std::string::npos) {
        const std::string inside = uri.substr(open + 1, uri.rfind('}') - open - 1);
        std::vector<std::string> words;
        ForEachListItem(inside, [&](std::string_view word) { words.emplace_back(word); });
        if (words.size() != 3 || words[0] != "ColorConvertedBitmap")
            ThrowDocument(XPS_E_INVALID_MARKUP);
        uri = words[1];
        if (const std::optional<std::string> reference = m_source.Part(words[2]))
            profile = *reference;
    }
    const std::optional<std::string> image = m_source.Part(uri);
    if (!image)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    const ImageInUse& use = m_source.Image(*image, profile);
    // The image's own space is the unit square, its first row at the top. One matrix takes it to
    // the viewport: a scale to a long image's viewbox, written alone, would lose its digits.
    cell.content.Transform(ToPdf(Matrix{use.width, 0, 0, -use.height, 0, use.height} * toViewport));
    cell.content.Draw(cell.resources.XObject(use.object));
}
