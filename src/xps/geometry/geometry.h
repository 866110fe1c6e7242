// A geometry held, for what is read more than once: a clip, a resource, a path both filled and stroked, or
// one whose bounds are needed before it is drawn. Each figure and segment takes one byte beside its points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xps/geometry/geometry_sink.h"

class Geometry final : public GeometrySink {
public:
    FillRule fillRule = FillRule::EvenOdd;

    void BeginFigure(Point start, bool filled) override;
    void LineTo(Point end, bool stroked) override;
    void CubicTo(Point control1, Point control2, Point end, bool stroked) override;
    void EndFigure(bool closed) override;

    void Reserve(std::size_t segments);
    // Gives the sink what this was given, in order.
    void Replay(GeometrySink& sink) const;
    bool Empty() const { return m_records.empty(); }

private:
    enum Record : std::uint8_t { Begin, BeginUnfilled, Line, UnstrokedLine, Curve, UnstrokedCurve, Open, Closed };

    std::vector<std::uint8_t> m_records;
    std::vector<Point> m_points;
};

// A Path's Data or Clip in the abbreviated syntax, with its fill rule.
Geometry ReadGeometry(std::string_view data, SegmentBudget& budget);
