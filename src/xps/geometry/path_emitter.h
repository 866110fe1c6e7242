// What both readers of geometry share: arcs and quadratic Béziers become cubics, points move by the
// geometry's own transform, every figure and segment is paid for from the budget, and a point that is not
// finite fails with XPS_E_INVALID_MARKUP before it reaches the sink.
#pragma once

#include "xps/geometry/geometry_sink.h"

class PathEmitter {
public:
    PathEmitter(GeometrySink& sink, SegmentBudget& budget, const Matrix& transform = {})
        : m_sink(sink), m_budget(budget), m_transform(transform) {}
    PathEmitter(const PathEmitter&) = delete;
    PathEmitter& operator=(const PathEmitter&) = delete;

    // Ends a figure still open, unclosed, first.
    void Begin(Point start, bool filled);
    // Segments need an open figure: XPS_E_INVALID_MARKUP otherwise.
    void Line(Point end, bool stroked);
    void Cubic(Point control1, Point control2, Point end, bool stroked);
    void Quadratic(Point control, Point end, bool stroked);
    void Arc(Point end, Point radii, double angleDegrees, bool largeArc, bool clockwise, bool stroked);
    void End(bool closed);

    bool Open() const { return m_open; }
    // Where the figure is, and where it began, before the transform.
    Point Current() const { return m_current; }
    Point Start() const { return m_start; }

private:
    void Segment();
    Point Place(Point p) const;

    GeometrySink& m_sink;
    SegmentBudget& m_budget;
    Matrix m_transform;
    bool m_open = false;
    Point m_start;
    Point m_current;
};
