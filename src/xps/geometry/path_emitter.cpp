// Drawing commands into sink calls.
#include "xps/geometry/path_emitter.h"

#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/geometry/arc.h"

Point PathEmitter::Place(Point p) const
{
    const Point placed = m_transform.Apply(p);
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(placed.x) || !std::isfinite(placed.y))
        ThrowUnusable(XPS_E_INVALID_MARKUP);
    return placed;
}

void PathEmitter::Segment()
{
    if (!m_open)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    m_budget.Spend();
}

void PathEmitter::Begin(Point start, bool filled)
{
    End(false);
    m_budget.Spend();
    const Point placed = Place(start);
    m_sink.BeginFigure(placed, filled);
    m_open = true;
    m_start = m_current = start;
}

void PathEmitter::Line(Point end, bool stroked)
{
    Segment();
    m_sink.LineTo(Place(end), stroked);
    m_current = end;
}

void PathEmitter::Cubic(Point control1, Point control2, Point end, bool stroked)
{
    Segment();
    m_sink.CubicTo(Place(control1), Place(control2), Place(end), stroked);
    m_current = end;
}

void PathEmitter::Quadratic(Point control, Point end, bool stroked)
{
    // The cubic with control points two thirds of the way to the quadratic's is the same curve.
    const Point from = m_current;
    Cubic({from.x + 2 * (control.x - from.x) / 3, from.y + 2 * (control.y - from.y) / 3},
          {end.x + 2 * (control.x - end.x) / 3, end.y + 2 * (control.y - end.y) / 3}, end, stroked);
}

void PathEmitter::Arc(Point end, Point radii, double angleDegrees, bool largeArc, bool clockwise, bool stroked)
{
    if (!m_open)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    const ArcCurves arc = ArcToCubics(m_current, end, radii, angleDegrees, largeArc, clockwise);
    if (arc.kind == ArcCurves::Kind::Line)
        Line(end, stroked);
    for (std::size_t i = 0; i < arc.count; ++i)
        Cubic(arc.cubics[i].control1, arc.cubics[i].control2, arc.cubics[i].end, stroked);
}

void PathEmitter::End(bool closed)
{
    if (!m_open)
        return;
    m_open = false;
    m_sink.EndFigure(closed);
    m_current = m_start;
}
