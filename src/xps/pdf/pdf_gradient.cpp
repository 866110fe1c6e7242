#include "xps/pdf/pdf_gradient.h"

#include <cmath>

#include "xps/document_failure.h"

namespace {

// Colour spaces have at most this many components.
constexpr std::size_t kMostComponents = 32;

PdfValue Interpolation(const std::vector<double>& from, const std::vector<double>& to)
{
    PdfDictionary function;
    function.Set("FunctionType", PdfValue::Integer(2))
        .Set("Domain", PdfValue::Reals({0, 1}))
        .Set("C0", PdfValue::Reals(from))
        .Set("C1", PdfValue::Reals(to))
        .Set("N", PdfValue::Integer(1));
    return function.Value();
}

// One exponential function between each two stops and a constant one before the first and after the
// last, stitched over 0 to 1.
PdfValue StopsFunction(const std::vector<PdfGradientStop>& stops)
{
    if (stops.empty())
        ThrowDocument(E_FAIL);
    const std::size_t components = stops.front().color.size();
    if (components == 0 || components > kMostComponents)
        ThrowDocument(E_FAIL);
    double previous = 0;
    for (const PdfGradientStop& stop : stops) {
        if (stop.color.size() != components || !(stop.offset >= previous && stop.offset <= 1))
            ThrowDocument(E_FAIL);
        previous = stop.offset;
    }

    struct Segment {
        double end;
        const std::vector<double>* from;
        const std::vector<double>* to;
    };
    std::vector<Segment> segments;
    // Offsets as they are written, so that no segment is written empty and the bounds stay increasing.
    auto written = [](double offset) { return std::round(offset * 1e5) / 1e5; };
    double start = 0;
    auto add = [&](double end, const std::vector<double>& from, const std::vector<double>& to) {
        end = written(end);
        if (end > start) {
            segments.push_back({end, &from, &to});
            start = end;
        }
    };
    add(stops.front().offset, stops.front().color, stops.front().color);
    for (std::size_t i = 1; i < stops.size(); ++i)
        add(stops[i].offset, stops[i - 1].color, stops[i].color);
    add(1, stops.back().color, stops.back().color);

    if (segments.size() == 1)
        return Interpolation(*segments.front().from, *segments.front().to);
    PdfArray functions;
    std::vector<double> bounds;
    std::vector<double> encode;
    for (const Segment& segment : segments) {
        functions.Add(Interpolation(*segment.from, *segment.to));
        if (&segment != &segments.back())
            bounds.push_back(segment.end);
        encode.insert(encode.end(), {0, 1});
    }
    PdfDictionary stitching;
    stitching.Set("FunctionType", PdfValue::Integer(3))
        .Set("Domain", PdfValue::Reals({0, 1}))
        .Set("Functions", functions.Value())
        .Set("Bounds", PdfValue::Reals(bounds))
        .Set("Encode", PdfValue::Reals(encode));
    return stitching.Value();
}

PdfRef WriteShading(PdfWriter& writer, const PdfGradient& gradient, int type, const std::vector<double>& coords)
{
    PdfArray extend;
    extend.Add(PdfValue::Boolean(gradient.extendStart)).Add(PdfValue::Boolean(gradient.extendEnd));
    PdfDictionary shading;
    shading.Set("ShadingType", PdfValue::Integer(type))
        .Set("ColorSpace", gradient.colorSpace)
        .Set("Coords", PdfValue::Reals(coords))
        .Set("Domain", PdfValue::Reals({0, 1}))
        .Set("Function", StopsFunction(gradient.stops))
        .Set("Extend", extend.Value());
    return writer.Write(shading.Value());
}

}  // namespace

PdfRef WriteAxialShading(PdfWriter& writer, const PdfGradient& gradient, const PdfAxial& axis)
{
    return WriteShading(writer, gradient, 2, {axis.x0, axis.y0, axis.x1, axis.y1});
}

PdfRef WriteRadialShading(PdfWriter& writer, const PdfGradient& gradient, const PdfRadial& circles)
{
    if (!(circles.r0 >= 0 && circles.r1 >= 0))
        ThrowDocument(E_FAIL);
    return WriteShading(writer, gradient, 3, {circles.x0, circles.y0, circles.r0, circles.x1, circles.y1, circles.r1});
}

PdfRef WriteShadingPattern(PdfWriter& writer, PdfRef shading, const PdfMatrix& matrix)
{
    PdfDictionary pattern;
    pattern.Set("Type", PdfValue::Name("Pattern"))
        .Set("PatternType", PdfValue::Integer(2))
        .Set("Shading", PdfValue::Reference(shading))
        .Set("Matrix", PdfValue::Matrix(matrix));
    return writer.Write(pattern.Value());
}
