// Element attributes into the emitter. Point lists are read as they are drawn, never held.
#include "xps/geometry/geometry_builder.h"

#include "platform/linux/statuses.h"
#include "xps/geometry/path_data.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/markup/xml_space.h"

namespace {

std::string_view Required(Attribute attribute)
{
    if (!attribute)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return *attribute;
}

// One of two words, as XML reads an enumeration or a boolean.
bool Choice(std::string_view text, std::string_view yes, std::string_view no)
{
    text = TrimXmlSpace(text);
    if (text != yes && text != no)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return text == yes;
}

bool Boolean(Attribute attribute, bool absent)
{
    if (!attribute)
        return absent;
    const std::string_view text = TrimXmlSpace(*attribute);
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    return Choice(text, "true", "false");
}

Point Size(std::string_view text)
{
    const Point size = ParsePoint(text);
    if (size.x < 0 || size.y < 0)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return size;
}

// Reads a Points attribute in groups of `group` points, calling draw for each group; at least one.
template <typename Draw>
void EachGroup(Attribute points, std::size_t group, Draw draw)
{
    NumberScanner scanner(Required(points));
    if (scanner.AtEnd())
        ThrowDocument(XPS_E_INVALID_MARKUP);
    Point p[3];
    while (!scanner.AtEnd()) {
        for (std::size_t i = 0; i < group; ++i) {
            if (i > 0)
                scanner.Separator();
            p[i] = scanner.Pair();
        }
        scanner.Separator();
        draw(p);
    }
}

}  // namespace

GeometryBuilder::GeometryBuilder(GeometrySink& sink, SegmentBudget& budget, Attribute fillRule,
                                 Attribute transform)
    : m_sink(sink), m_budget(budget)
{
    if (fillRule)
        m_rule = Choice(*fillRule, "NonZero", "EvenOdd") ? FillRule::NonZero : FillRule::EvenOdd;
    if (transform)
        m_transform = ParseMatrix(*transform);
}

PathEmitter& GeometryBuilder::Emitter()
{
    if (!m_emitter)
        m_emitter.emplace(m_sink, m_budget, m_transform);
    return *m_emitter;
}

void GeometryBuilder::Transform(std::string_view matrix)
{
    if (m_emitter)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    m_transform = ParseMatrix(matrix);
}

void GeometryBuilder::Figures(std::string_view abbreviated) { ReadPathData(abbreviated, Emitter()); }

void GeometryBuilder::BeginFigure(Attribute startPoint, Attribute isClosed, Attribute isFilled)
{
    const Point start = ParsePoint(Required(startPoint));
    m_closed = Boolean(isClosed, false);
    Emitter().Begin(start, Boolean(isFilled, true));
}

void GeometryBuilder::EndFigure() { Emitter().End(m_closed); }

void GeometryBuilder::ArcSegment(Attribute point, Attribute size, Attribute rotationAngle, Attribute isLargeArc,
                                 Attribute sweepDirection, Attribute isStroked)
{
    const Point end = ParsePoint(Required(point));
    const Point radii = Size(Required(size));
    const double angle = ParseNumber(Required(rotationAngle));
    const bool largeArc = Boolean(Required(isLargeArc), false);
    const bool clockwise = Choice(Required(sweepDirection), "Clockwise", "Counterclockwise");
    Emitter().Arc(end, radii, angle, largeArc, clockwise, Boolean(isStroked, true));
}

void GeometryBuilder::PolyLineSegment(Attribute points, Attribute isStroked)
{
    const bool stroked = Boolean(isStroked, true);
    EachGroup(points, 1, [&](const Point* p) { Emitter().Line(p[0], stroked); });
}

void GeometryBuilder::PolyBezierSegment(Attribute points, Attribute isStroked)
{
    const bool stroked = Boolean(isStroked, true);
    EachGroup(points, 3, [&](const Point* p) { Emitter().Cubic(p[0], p[1], p[2], stroked); });
}

void GeometryBuilder::PolyQuadraticBezierSegment(Attribute points, Attribute isStroked)
{
    const bool stroked = Boolean(isStroked, true);
    EachGroup(points, 2, [&](const Point* p) { Emitter().Quadratic(p[0], p[1], stroked); });
}

void GeometryBuilder::LineSegment(Attribute point, Attribute isStroked)
{
    Emitter().Line(ParsePoint(Required(point)), Boolean(isStroked, true));
}

void GeometryBuilder::BezierSegment(Attribute point1, Attribute point2, Attribute point3, Attribute isStroked)
{
    Emitter().Cubic(ParsePoint(Required(point1)), ParsePoint(Required(point2)), ParsePoint(Required(point3)),
                    Boolean(isStroked, true));
}

void GeometryBuilder::QuadraticBezierSegment(Attribute point1, Attribute point2, Attribute isStroked)
{
    Emitter().Quadratic(ParsePoint(Required(point1)), ParsePoint(Required(point2)), Boolean(isStroked, true));
}
