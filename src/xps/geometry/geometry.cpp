// Keeping geometry and giving it back.
#include "xps/geometry/geometry.h"

#include <algorithm>

#include "xps/geometry/path_data.h"

void Geometry::BeginFigure(Point start, bool filled)
{
    m_records.push_back(filled ? Begin : BeginUnfilled);
    m_points.push_back(start);
}

void Geometry::LineTo(Point end, bool stroked)
{
    m_records.push_back(stroked ? Line : UnstrokedLine);
    m_points.push_back(end);
}

void Geometry::CubicTo(Point control1, Point control2, Point end, bool stroked)
{
    m_records.push_back(stroked ? Curve : UnstrokedCurve);
    m_points.insert(m_points.end(), {control1, control2, end});
}

void Geometry::Reserve(std::size_t segments)
{
    m_records.reserve(segments);
    m_points.reserve(segments);
}

void Geometry::EndFigure(bool closed) { m_records.push_back(closed ? Closed : Open); }

void Geometry::Replay(GeometrySink& sink) const
{
    const Point* p = m_points.data();
    for (const std::uint8_t record : m_records) {
        switch (record) {
        case Begin:
        case BeginUnfilled:
            sink.BeginFigure(*p++, record == Begin);
            break;
        case Line:
        case UnstrokedLine:
            sink.LineTo(*p++, record == Line);
            break;
        case Curve:
        case UnstrokedCurve:
            sink.CubicTo(p[0], p[1], p[2], record == Curve);
            p += 3;
            break;
        default:
            sink.EndFigure(record == Closed);
            break;
        }
    }
}

Geometry ReadGeometry(std::string_view data, SegmentBudget& budget)
{
    Geometry geometry;
    // A segment takes at least four characters ("L1,2"): room for most paths at once, which would
    // otherwise grow point by point, but never more than a short path's for a long one.
    geometry.Reserve(std::min<std::size_t>(data.size() / 4, 256));
    geometry.fillRule = ReadPathData(data, geometry, budget);
    return geometry;
}
