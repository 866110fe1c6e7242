// XPS's elliptical arc, given by its end points, radii, the ellipse's rotation, IsLargeArc and
// SweepDirection, as the cubic Béziers PDF can draw.
#pragma once

#include <array>
#include <cstddef>

#include "xps/geometry/matrix.h"

struct Cubic {
    Point control1, control2, end;
};

struct ArcCurves {
    enum class Kind { Nothing, Line, Curves };
    Kind kind = Kind::Nothing;
    // For Curves: at most 45° of the ellipse each, within 5e-6 of its radius; the last ends exactly at
    // the arc's end point.
    std::array<Cubic, 8> cubics{};
    std::size_t count = 0;
};

// Coincident end points draw nothing; a zero radius, or an ellipse too extreme for doubles, is a straight
// line. Radii too small to span the end points grow, keeping their ratio, until they just do. Clockwise is
// as seen on a page, whose y axis points down.
ArcCurves ArcToCubics(Point from, Point to, Point radii, double angleDegrees, bool largeArc, bool clockwise);
