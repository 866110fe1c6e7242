#include "xps/page/brushes/brush_painter.h"

#include <algorithm>
#include <cmath>

#include "xps/page/brushes/color.h"
#include "xps/document_failure.h"
#include "xps/page/document_resources.h"
#include "xps/document_status.h"
#include "xps/page/brushes/gradient_stops.h"
#include "xps/package/part_name.h"
#include "xps/pdf/pdf_form.h"
#include "xps/pdf/pdf_gradient.h"
#include "xps/page/resources.h"
#include "xps/geometry/pdf_space.h"
#include "xps/geometry/xps_numbers.h"

namespace {

Matrix BoxMapping(const Rect& box) { return {box.right - box.left, 0, 0, box.bottom - box.top, box.left, box.top}; }

bool IsRelative(const XmlElement& brush, std::string_view units)
{
    const std::string* value = brush.Attribute(units);
    return value != nullptr && *value == "RelativeToBoundingBox";
}

// "x,y,width,height".
Rect ParseBox(const std::string* text)
{
    if (text == nullptr)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    const std::array<double, 4> values = ::ParseBox(std::string_view(*text));
    return {values[0], values[1], values[0] + values[2], values[1] + values[3]};
}

double Width(const Rect& r) { return r.right - r.left; }
double Height(const Rect& r) { return r.bottom - r.top; }

// The surface's area in the brush's space, for how far a brush must reach; nothing where the brush's
// space is flattened.
std::optional<Rect> AreaIn(const Matrix& brushToSurface, const PdfRect& area)
{
    const std::optional<Matrix> inverse = brushToSurface.Inverse();
    if (!inverse)
        return std::nullopt;
    return MappedBox(*inverse, Rect{area.left, area.bottom, area.right, area.top});
}

template <class Step>
void ForEachWord(std::string_view text, Step step)
{
    for (std::size_t start = text.find_first_not_of(" \t\r\n"); start != std::string_view::npos;) {
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        step(text.substr(start, end - start));
        start = text.find_first_not_of(" \t\r\n", end);
    }
}

Matrix BrushTransform(const XmlElement& brush, const ResourceScopes& scopes)
{
    return ReadTransform(Property(brush, "Transform", scopes));
}

}  // namespace

Paint BrushPainter::Make(const PropertyValue& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area, int depth,
                         bool drawing)
{
    if (brush.text != nullptr)
        return ColorPaint(*brush.text);
    if (brush.element == nullptr)
        return {};
    const XmlElement& element = *brush.element;
    Paint paint;
    if (element.name == "SolidColorBrush")
        paint = Solid(element);
    else if (element.name == "LinearGradientBrush" || element.name == "RadialGradientBrush")
        paint = Gradient(element, toSurface, bounds, area);
    else if (element.name == "ImageBrush" || element.name == "VisualBrush")
        paint = depth < kMaxBrushDepth ? Tiled(element, brush.lasting, toSurface, bounds, area, depth, drawing) : Paint{};
    else
        ThrowDocument(XPS_E_INVALID_MARKUP);
    paint.alpha *= std::clamp(NumberAttribute(element, "Opacity", 1), 0.0, 1.0);
    if (paint.alpha <= 0)
        paint.kind = Paint::Kind::Nothing;
    return paint;
}

Paint BrushPainter::ColorPaint(const std::string& text)
{
    const XpsColor color = ParseColor(text);
    Paint paint;
    paint.kind = Paint::Kind::Color;
    paint.red = color.red;
    paint.green = color.green;
    paint.blue = color.blue;
    paint.alpha = color.alpha;
    if (!color.profile.empty()) {
        if (const std::optional<PartReference> profile = m_scopes.Resolve(m_part, color.profile)) {
            paint.colorSpace = m_document.ColorSpace(profile->part, color.components.size());
            if (paint.colorSpace)
                paint.components = color.components;
        }
    }
    if (paint.alpha <= 0)
        paint.kind = Paint::Kind::Nothing;
    return paint;
}

Paint BrushPainter::Solid(const XmlElement& brush)
{
    const std::string* color = brush.Attribute("Color");
    if (color == nullptr)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return ColorPaint(*color);
}

Paint BrushPainter::Gradient(const XmlElement& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area)
{
    const bool radial = brush.name == "RadialGradientBrush";
    const GradientStops stops = ReadGradientStops(brush, brush.name + ".GradientStops");
    if (stops.Empty())
        return {};
    Matrix brushToUser = BrushTransform(brush, m_scopes);
    if (IsRelative(brush, "MappingMode"))
        brushToUser = BoxMapping(bounds) * brushToUser;
    const Spread spread = ReadSpread(brush.Attribute("SpreadMethod"));
    const bool linearLight = brush.Attribute("ColorInterpolationMode") != nullptr &&
                             *brush.Attribute("ColorInterpolationMode") == "ScRgbLinearInterpolation";

    // Shading space: the brush's, or for a radial brush one where its ellipse is the unit circle.
    Matrix shadingToUser = brushToUser;
    Point from;
    Point to;
    if (radial) {
        const Point center = ParsePoint(brush.Attribute("Center") ? *brush.Attribute("Center") : "0,0");
        const Point origin = ParsePoint(brush.Attribute("GradientOrigin") ? *brush.Attribute("GradientOrigin") : "0,0");
        const double rx = NumberAttribute(brush, "RadiusX", 0);
        const double ry = NumberAttribute(brush, "RadiusY", 0);
        if (!(rx > 0 && ry > 0))
            return {};
        shadingToUser = Matrix{rx, 0, 0, ry, center.x, center.y} * brushToUser;
        from = {(origin.x - center.x) / rx, (origin.y - center.y) / ry};
        // Past the ellipse, the focus would leave the gradient undefined: keep it just inside.
        const double reach = std::hypot(from.x, from.y);
        if (reach > 0.999)
            from = {from.x * 0.999 / reach, from.y * 0.999 / reach};
    } else {
        from = ParsePoint(brush.Attribute("StartPoint") ? *brush.Attribute("StartPoint") : "0,0");
        to = ParsePoint(brush.Attribute("EndPoint") ? *brush.Attribute("EndPoint") : "1,1");
    }
    const Matrix shadingToSurface = shadingToUser * toSurface;
    const std::optional<Rect> reach = AreaIn(shadingToSurface, area);
    if (!reach)
        return {};

    // How many periods of the gradient the area needs, for Repeat and Reflect.
    double first = 0;
    double last = 1;
    if (spread != Spread::Pad) {
        double low = 0;
        double high = 1;
        for (const Point corner : {Point{reach->left, reach->top}, Point{reach->right, reach->top},
                                   Point{reach->left, reach->bottom}, Point{reach->right, reach->bottom}}) {
            double t;
            if (radial) {
                t = std::hypot(corner.x - from.x, corner.y - from.y) / std::max(1e-3, 1 - std::hypot(from.x, from.y));
            } else {
                const double dx = to.x - from.x;
                const double dy = to.y - from.y;
                const double length = dx * dx + dy * dy;
                t = length > 0 ? ((corner.x - from.x) * dx + (corner.y - from.y) * dy) / length : 0;
            }
            low = std::min(low, t);
            high = std::max(high, t);
        }
        first = radial ? 0 : std::max(std::floor(low), -kMaxGradientPeriods);
        last = std::min(std::ceil(high), first + 2 * kMaxGradientPeriods);
    }
    const GradientSamples samples = SampleGradient(stops, spread, first, last, linearLight);
    last = samples.last;

    PdfWriter& writer = m_document.Writer();
    // The shading of the periods [start, end) of the gradient's offsets.
    const auto shading = [&](const PdfGradient& gradient, double start, double end) {
        if (radial) {
            // The circles' centres run from the focus at 0 to the centre at 1, and on.
            const auto centre = [&](double t) { return Point{from.x * (1 - t), from.y * (1 - t)}; };
            return WriteRadialShading(writer, gradient, {centre(start).x, centre(start).y, start, centre(end).x, centre(end).y, end});
        }
        const auto at = [&](double t) { return Point{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)}; };
        return WriteAxialShading(writer, gradient, {at(start).x, at(start).y, at(end).x, at(end).y});
    };
    // Readers sample a shading's function at a fixed number of points, a few hundred, and many periods
    // in one function show as bands: each period is a shading of its own, extended past its end for
    // the next to paint over, so that no seam shows between them.
    const auto pattern = [&](bool alpha) {
        if (last - first <= 1)
            return WriteShadingPattern(writer, shading(alpha ? samples.alpha : samples.color, first, last), ToPdf(shadingToSurface));
        Surface cell(area);
        cell.content.Transform(ToPdf(shadingToSurface));
        for (double k = first; k < last; ++k) {
            GradientSamples period = SampleGradient(stops, spread, k, k + 1, linearLight);
            PdfGradient& gradient = alpha ? period.alpha : period.color;
            gradient.extendStart = k == first;
            cell.content.Shade(cell.resources.Shading(shading(gradient, k, k + 1)));
        }
        // One cell, the surface's whole box: the next would start beyond it.
        const double step = 2 * std::max(area.right - area.left, area.top - area.bottom);
        return WriteTilingPattern(writer, PdfTilingSetup(area, step, step), cell.content, cell.resources);
    };
    if (!radial && from.x == to.x && from.y == to.y) {
        Paint paint;
        paint.kind = Paint::Kind::Color;
        const XpsColor end = stops.At(1);
        paint.red = end.red;
        paint.green = end.green;
        paint.blue = end.blue;
        paint.alpha = end.alpha;
        return paint;
    }

    Paint paint;
    paint.kind = Paint::Kind::Pattern;
    paint.pattern = pattern(false);
    if (samples.translucent) {
        Surface mask(area);
        mask.content.FillPattern(mask.resources.Pattern(pattern(true)));
        mask.content.Rectangle(area);
        mask.content.Fill(PdfFillRule::NonZero);
        paint.softMask = WriteSoftMask(writer, PdfMaskSource::Luminosity, PdfFormSetup(area), mask.content, mask.resources);
    }
    return paint;
}

Paint BrushPainter::Tiled(const XmlElement& brush, bool lasting, const Matrix& toSurface, const Rect& bounds,
                          const PdfRect& area, int depth, bool drawing)
{
    Rect viewport = ParseBox(brush.Attribute("Viewport"));
    Rect viewbox = ParseBox(brush.Attribute("Viewbox"));
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

    const Matrix brushToSurface = BrushTransform(brush, m_scopes) * toSurface;
    const std::optional<Rect> reach = AreaIn(brushToSurface, area);
    if (!reach)
        return {};
    double stepX = cellWidth;
    double stepY = cellHeight;
    if (tiled) {
        const double tiles = std::ceil(Width(*reach) / cellWidth + 1) * std::ceil(Height(*reach) / cellHeight + 1);
        if (!(tiles <= kMaxTiles))
            ThrowDocument(XPS_E_INVALID_MARKUP);
    } else {
        // One cell alone: the next would start beyond anything the area shows.
        const double span = std::max({Width(*reach), Height(*reach), cellWidth, cellHeight}) +
                            std::max({std::fabs(reach->left - viewport.left), std::fabs(reach->top - viewport.top),
                                      std::fabs(reach->right - viewport.left), std::fabs(reach->bottom - viewport.top)});
        stepX = stepY = std::min(2 * span, 1e7);
    }

    Surface cell(PdfRect{viewport.left, viewport.top, viewport.left + cellWidth, viewport.top + cellHeight});
    std::optional<PdfRef> passing;
    if (!tiled && drawing) {
        DrawCell(brush, lasting, cell, viewbox, viewport, depth, passing);
        Paint paint;
        paint.kind = Paint::Kind::Drawing;
        paint.form = WriteForm(m_document.Writer(), PdfFormSetup(cell.box), cell.content, cell.resources);
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
    paint.pattern = WriteTilingPattern(m_document.Writer(), setup, cell.content, cell.resources);
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
        const std::string* source = brush.Attribute("ImageSource");
        if (source == nullptr)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        std::string uri = *source;
        std::string profile;
        // {ColorConvertedBitmap image profile}: the image in the profile's colour space.
        if (const std::size_t open = uri.find('{'); open != std::string::npos) {
            const std::string inside = uri.substr(open + 1, uri.rfind('}') - open - 1);
            std::vector<std::string> words;
            ForEachWord(inside, [&](std::string_view word) { words.emplace_back(word); });
            if (words.size() != 3 || words[0] != "ColorConvertedBitmap")
                ThrowDocument(XPS_E_INVALID_MARKUP);
            uri = words[1];
            if (const std::optional<PartReference> reference = m_scopes.Resolve(m_part, words[2]))
                profile = reference->part;
        }
        const std::optional<PartReference> image = m_scopes.Resolve(m_part, uri);
        if (!image)
            ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
        const ImageInUse& use = m_document.Image(image->part, profile);
        // The image's own space is the unit square, its first row at the top. One matrix takes it to
        // the viewport: a scale to a long image's viewbox, written alone, would lose its digits.
        cell.content.Transform(ToPdf(Matrix{use.width, 0, 0, -use.height, 0, use.height} * toViewport));
        cell.content.Draw(cell.resources.XObject(use.object));
        return;
    }
    cell.content.Transform(ToPdf(toViewport));

    const PropertyValue visual = Property(brush, "Visual", m_scopes);
    if (visual.element == nullptr)
        return;
    const auto draw = [&] {
        Surface drawing(PdfRect{viewbox.left, viewbox.top, viewbox.right, viewbox.bottom});
        m_visuals.PaintVisual(*visual.element, drawing, depth + 1);
        return WriteForm(m_document.Writer(), PdfFormSetup(drawing.box), drawing.content, drawing.resources);
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
