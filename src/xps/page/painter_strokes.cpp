// Strokes: the pen's width, joins, miter limit and dashes as PDF's, and the caps PDF cannot draw (one
// cap at each end, or triangles) as shapes of their own.
#include "xps/page/painter.h"

#include <algorithm>
#include <vector>

#include "xps/geometry/line_caps.h"
#include "xps/geometry/path_writer.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/page/element_values.h"
#include "xps/page/painter_support.h"

namespace {

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

// The dash lengths in the stroke's units; none where they draw nothing or cannot be drawn.
std::vector<double> Dashes(const XmlElement& path, double thickness)
{
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
    return dashed ? dashes : std::vector<double>{};
}

}  // namespace

void Painter::StrokeShape(const XmlElement& path, const Geometry& geometry, const Matrix& matrix, const Pen& pen)
{
    const std::string line = StrokePath(geometry);
    if (line.empty())
        return;
    PdfContent& content = Top().content;
    content.Save();
    UsePaint(pen.paint, true, pen.state);
    content.Transform(ToPdf(matrix));
    content.LineWidth(pen.thickness);
    const std::string* startCap = path.Attribute("StrokeStartLineCap");
    const std::string* endCap = path.Attribute("StrokeEndLineCap");
    // PDF gives both ends one cap and has no triangle: the caps are then shapes of their own.
    const bool ownCaps = PdfCap(startCap) != PdfCap(endCap) || Is(startCap, "Triangle") || Is(endCap, "Triangle");
    const std::vector<double> dashes = Dashes(path, pen.thickness);
    const bool dashed = !dashes.empty();
    content.LineCap(dashed ? PdfCap(path.Attribute("StrokeDashCap")) : ownCaps ? 0 : PdfCap(startCap));
    const std::string* join = path.Attribute("StrokeLineJoin");
    content.LineJoin(Is(join, "Round") ? 1 : Is(join, "Bevel") ? 2 : 0);
    // Past a few thousand a miter limit limits nothing: it need not be too large to write.
    content.MiterLimit(std::clamp(NumberAttribute(path, "StrokeMiterLimit", 10), 1.0, 1e4));
    if (dashed)
        content.Dash(dashes, NumberAttribute(path, "StrokeDashOffset", 0) * pen.thickness);
    content.AppendPath(line);
    content.Stroke();
    if (ownCaps && !dashed) {
        std::string caps;
        LineCapWriter writer(caps, XpsCap(startCap), XpsCap(endCap), pen.thickness);
        geometry.Replay(writer);
        if (writer.Wrote()) {
            UsePaint(pen.paint, false, pen.state);
            content.AppendPath(caps);
            content.Fill(PdfFillRule::NonZero);
        }
    }
    content.Restore();
}
