// Shaping caps as stroked runs end.
#include "xps/geometry/line_caps.h"

#include <cmath>

namespace {

Point Minus(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
bool Zero(Point v) { return v.x == 0 && v.y == 0; }

// A cubic's direction where it leaves its start: towards the first control point that differs from it.
Point Leaving(Point from, Point control1, Point control2, Point end)
{
    for (const Point p : {control1, control2, end})
        if (!Zero(Minus(p, from)))
            return Minus(p, from);
    return {};
}

}  // namespace

void LineCapWriter::BeginFigure(Point start, bool)
{
    m_figureStart = m_current = start;
    m_inRun = m_gap = m_lastStroked = false;
}

void LineCapWriter::LineTo(Point end, bool stroked)
{
    const Point direction = Minus(end, m_current);
    Stroked(end, direction, direction, stroked);
}

void LineCapWriter::CubicTo(Point control1, Point control2, Point end, bool stroked)
{
    const Point leaving = Leaving(m_current, control1, control2, end);
    const Point back = Leaving(end, control2, control1, m_current);
    Stroked(end, leaving, {-back.x, -back.y}, stroked);
}

void LineCapWriter::Stroked(Point end, Point leaving, Point arriving, bool stroked)
{
    m_lastStroked = stroked;
    if (!stroked) {
        m_gap = true;
        EndRun();
    } else {
        if (!m_inRun) {
            m_inRun = true;
            m_runStart = m_current;
            m_runDirected = false;
        }
        if (!Zero(leaving) && !m_runDirected) {
            m_runDirected = true;
            m_runLeaving = leaving;
        }
        if (!Zero(arriving))
            m_runArriving = arriving;
    }
    m_current = end;
}

void LineCapWriter::EndFigure(bool closed)
{
    if (closed && m_lastStroked) {
        // A closed loop stroked all round has no ends; otherwise the closing line ends the last run.
        if (!m_gap)
            return;
        LineTo(m_figureStart, true);
    }
    EndRun();
}

void LineCapWriter::EndRun()
{
    if (m_inRun && m_runDirected) {
        Cap(m_startCap, m_runStart, {-m_runLeaving.x, -m_runLeaving.y});
        Cap(m_endCap, m_current, m_runArriving);
    }
    m_inRun = false;
}

void LineCapWriter::Cap(LineCap cap, Point at, Point outward)
{
    const double length = std::hypot(outward.x, outward.y);
    if (cap == LineCap::Flat || !(m_halfWidth > 0) || !std::isfinite(m_halfWidth) || !std::isfinite(length)
        || !(length > 0))
        return;
    // Half the pen along the stroke (u) and across it (n).
    const Point u{outward.x / length * m_halfWidth, outward.y / length * m_halfWidth};
    const Point n{-u.y, u.x};
    const auto offset = [&](double along, double across) {
        return Point{at.x + along * u.x + across * n.x, at.y + along * u.y + across * n.y};
    };
    m_writer.BeginFigure(offset(0, 1), true);
    if (cap == LineCap::Round) {
        // Two quarter circles, each a cubic with handles 4/3 tan(π/8) of the radius long.
        constexpr double k = 0.5522847498307936;
        m_writer.CubicTo(offset(k, 1), offset(1, k), offset(1, 0), true);
        m_writer.CubicTo(offset(1, -k), offset(k, -1), offset(0, -1), true);
    } else if (cap == LineCap::Square) {
        m_writer.LineTo(offset(1, 1), true);
        m_writer.LineTo(offset(1, -1), true);
        m_writer.LineTo(offset(0, -1), true);
    } else {
        m_writer.LineTo(offset(1, 0), true);
        m_writer.LineTo(offset(0, -1), true);
    }
    m_writer.EndFigure(true);
}
