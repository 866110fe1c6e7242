// Linear and radial gradient brushes as shading patterns; gradients that repeat or reflect as a
// shading a period, over as many periods as the area needs.
#include "xps/page/brushes/brush_painter.h"

#include <algorithm>
#include <cmath>

#include "xps/geometry/xps_numbers.h"
#include "xps/page/brushes/brush_support.h"
#include "xps/page/brushes/gradient_stops.h"
#include "xps/pdf/pdf_form.h"
#include "xps/pdf/pdf_gradient.h"

namespace {

// Where a gradient lies in its shading space: the brush's, or for a radial brush one where its ellipse
// is the unit circle. A linear gradient runs from from to to; a radial one from the focus from out to
// the unit circle.
struct GradientPlace {
    bool radial = false;
    Matrix shadingToUser;
    Point from;
    Point to;
};

std::optional<GradientPlace> PlaceGradient(const XmlElement& brush, const Matrix& brushToUser)
{
    GradientPlace place;
    place.radial = brush.name == "RadialGradientBrush";
    place.shadingToUser = brushToUser;
    if (!place.radial) {
        place.from = ParsePoint(brush.Attribute("StartPoint") ? *brush.Attribute("StartPoint") : "0,0");
        place.to = ParsePoint(brush.Attribute("EndPoint") ? *brush.Attribute("EndPoint") : "1,1");
        return place;
    }
    const Point center = ParsePoint(brush.Attribute("Center") ? *brush.Attribute("Center") : "0,0");
    const Point origin = ParsePoint(brush.Attribute("GradientOrigin") ? *brush.Attribute("GradientOrigin") : "0,0");
    const double rx = NumberAttribute(brush, "RadiusX", 0);
    const double ry = NumberAttribute(brush, "RadiusY", 0);
    if (!(rx > 0 && ry > 0))
        return std::nullopt;
    place.shadingToUser = Matrix{rx, 0, 0, ry, center.x, center.y} * brushToUser;
    Point& from = place.from;
    from = {(origin.x - center.x) / rx, (origin.y - center.y) / ry};
    // Past the ellipse, the focus would leave the gradient undefined: keep it just inside.
    const double reach = std::hypot(from.x, from.y);
    if (reach > 0.999)
        from = {from.x * 0.999 / reach, from.y * 0.999 / reach};
    return place;
}

// The gradient's offset at a point of its shading space.
double OffsetAt(const GradientPlace& place, const Point& p)
{
    const Point from = place.from;
    if (place.radial)
        return std::hypot(p.x - from.x, p.y - from.y) / std::max(1e-3, 1 - std::hypot(from.x, from.y));
    const double dx = place.to.x - from.x;
    const double dy = place.to.y - from.y;
    const double length = dx * dx + dy * dy;
    return length > 0 ? ((p.x - from.x) * dx + (p.y - from.y) * dy) / length : 0;
}

// How many periods of the gradient the area needs, for Repeat and Reflect: [first, last).
std::pair<double, double> Periods(const GradientPlace& place, Spread spread, const Rect& reach)
{
    if (spread == Spread::Pad)
        return {0, 1};
    double low = 0;
    double high = 1;
    for (const Point corner : {Point{reach.left, reach.top}, Point{reach.right, reach.top}, Point{reach.left, reach.bottom},
                               Point{reach.right, reach.bottom}}) {
        const double t = OffsetAt(place, corner);
        low = std::min(low, t);
        high = std::max(high, t);
    }
    const double first = place.radial ? 0 : std::max(std::floor(low), -kMaxGradientPeriods);
    return {first, std::min(std::ceil(high), first + 2 * kMaxGradientPeriods)};
}

// The shading of the periods [start, end) of the gradient's offsets.
PdfRef WriteShading(PdfWriter& writer, const GradientPlace& place, const PdfGradient& gradient, double start, double end)
{
    const Point from = place.from;
    const Point to = place.to;
    if (place.radial) {
        // The circles' centres run from the focus at 0 to the centre at 1, and on.
        const auto centre = [&](double t) { return Point{from.x * (1 - t), from.y * (1 - t)}; };
        return WriteRadialShading(writer, gradient, {centre(start).x, centre(start).y, start, centre(end).x, centre(end).y, end});
    }
    const auto at = [&](double t) { return Point{from.x + t * (to.x - from.x), from.y + t * (to.y - from.y)}; };
    return WriteAxialShading(writer, gradient, {at(start).x, at(start).y, at(end).x, at(end).y});
}

}  // namespace

struct BrushPainter::GradientRun {
    GradientPlace place;
    Matrix shadingToSurface;
    const GradientStops* stops = nullptr;
    Spread spread = Spread::Pad;
    bool linearLight = false;
    double first = 0;
    double last = 1;
};

Paint BrushPainter::Gradient(const XmlElement& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area)
{
    const GradientStops stops = ReadGradientStops(brush, brush.name + ".GradientStops");
    if (stops.Empty())
        return {};
    Matrix brushToUser = BrushTransform(brush, m_source.Scopes());
    if (IsRelative(brush, "MappingMode"))
        brushToUser = BoxMapping(bounds) * brushToUser;
    GradientRun run;
    run.stops = &stops;
    run.spread = ReadSpread(brush.Attribute("SpreadMethod"));
    run.linearLight = brush.Attribute("ColorInterpolationMode") != nullptr &&
                      *brush.Attribute("ColorInterpolationMode") == "ScRgbLinearInterpolation";
    const std::optional<GradientPlace> place = PlaceGradient(brush, brushToUser);
    if (!place)
        return {};
    run.place = *place;
    run.shadingToSurface = place->shadingToUser * toSurface;
    const std::optional<Rect> reach = AreaIn(run.shadingToSurface, area);
    if (!reach)
        return {};
    std::tie(run.first, run.last) = Periods(*place, run.spread, *reach);
    const GradientSamples samples = SampleGradient(stops, run.spread, run.first, run.last, run.linearLight);
    run.last = samples.last;
    if (!place->radial && place->from.x == place->to.x && place->from.y == place->to.y) {
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
    paint.pattern = GradientPattern(run, samples, area, false);
    if (samples.translucent) {
        Surface mask(area);
        mask.content.FillPattern(mask.resources.Pattern(GradientPattern(run, samples, area, true)));
        mask.content.Rectangle(area);
        mask.content.Fill(PdfFillRule::NonZero);
        paint.softMask = WriteSoftMask(m_source.Writer(), PdfMaskSource::Luminosity, PdfFormSetup(area), mask.content,
                                       mask.resources);
    }
    return paint;
}

PdfRef BrushPainter::GradientPattern(const GradientRun& run, const GradientSamples& samples, const PdfRect& area, bool alpha)
{
    PdfWriter& writer = m_source.Writer();
    if (run.last - run.first <= 1)
        return WriteShadingPattern(writer, WriteShading(writer, run.place, alpha ? samples.alpha : samples.color, run.first, run.last),
                                   ToPdf(run.shadingToSurface));
    // Readers sample a shading's function at a fixed number of points, a few hundred, and many periods
    // in one function show as bands: each period is a shading of its own, extended past its end for
    // the next to paint over, so that no seam shows between them.
    Surface cell(area);
    cell.content.Transform(ToPdf(run.shadingToSurface));
    for (double k = run.first; k < run.last; ++k) {
        GradientSamples period = SampleGradient(*run.stops, run.spread, k, k + 1, run.linearLight);
        PdfGradient& gradient = alpha ? period.alpha : period.color;
        gradient.extendStart = k == run.first;
        cell.content.Shade(cell.resources.Shading(WriteShading(writer, run.place, gradient, k, k + 1)));
    }
    // One cell, the surface's whole box: the next would start beyond it.
    const double step = 2 * std::max(area.right - area.left, area.top - area.bottom);
    return WriteTilingPattern(writer, PdfTilingSetup(area, step, step), cell.content, cell.resources);
}
