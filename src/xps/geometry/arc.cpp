// The arc is solved on the unit circle: in the ellipse's own axes, scaled by its radii, the end points are
// (X, Y) and (-X, -Y) about the chord's middle, which keeps every quantity near 1 and clear of overflow.
#include "xps/geometry/arc.h"

#include <cmath>
#include <optional>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The arc in the ellipse's own axes, scaled by its radii: its end points at (X, Y) and (-X, -Y) on the unit
// circle about (cx, cy).
struct UnitArc {
    // The radii, grown where they cannot span the end points.
    double rx, ry;
    // The cosine and sine of the ellipse's rotation.
    double ca, sa;
    // The chord's middle, on the page.
    Point middle;
    double cx, cy;
    // Angles on the unit circle: where the arc starts, and how far it turns, negative anticlockwise.
    double start, sweep;
};

// Nothing where the end points are too close or too far apart for doubles to tell.
std::optional<UnitArc> SolveUnitArc(Point from, Point to, Point radii, double angleDegrees, bool largeArc, bool clockwise)
{
    UnitArc arc;
    arc.rx = std::abs(radii.x);
    arc.ry = std::abs(radii.y);
    const double angle = std::fmod(angleDegrees, 360.0) * kPi / 180;
    arc.ca = std::cos(angle);
    arc.sa = std::sin(angle);
    // Halved before subtracting, so that far-apart points cannot overflow.
    const double hx = from.x / 2 - to.x / 2;
    const double hy = from.y / 2 - to.y / 2;
    arc.middle = {from.x / 2 + to.x / 2, from.y / 2 + to.y / 2};
    double x = (arc.ca * hx + arc.sa * hy) / arc.rx;
    double y = (-arc.sa * hx + arc.ca * hy) / arc.ry;
    const double reach = x * x + y * y;
    if (!std::isfinite(reach) || reach == 0)
        return std::nullopt;
    if (reach > 1) {
        const double grow = std::sqrt(reach);
        arc.rx *= grow;
        arc.ry *= grow;
        x /= grow;
        y /= grow;
    }
    // The centre, on the unit circle's side that IsLargeArc and the sweep select.
    const double lift = reach >= 1 ? 0 : std::sqrt((1 - reach) / reach) * (largeArc != clockwise ? 1 : -1);
    arc.cx = lift * y;
    arc.cy = -lift * x;
    arc.start = std::atan2(y - arc.cy, x - arc.cx);
    arc.sweep = std::atan2(-y - arc.cy, -x - arc.cx) - arc.start;
    if (clockwise && arc.sweep < 0)
        arc.sweep += 2 * kPi;
    else if (!clockwise && arc.sweep > 0)
        arc.sweep -= 2 * kPi;
    return arc;
}

// Cuts the arc into cubics of at most 45° each, placed back on the page; leaves curves a line where one
// would not be finite.
void PlaceCubics(const UnitArc& unit, Point to, ArcCurves& curves)
{
    const auto pieces = static_cast<std::size_t>(std::ceil(std::abs(unit.sweep) / (kPi / 4) - 1e-9));
    const std::size_t count = pieces < 1 ? 1 : pieces > curves.cubics.size() ? curves.cubics.size() : pieces;
    const double step = unit.sweep / static_cast<double>(count);
    const double handle = 4.0 / 3 * std::tan(step / 4);
    const auto place = [&unit](double u, double v) {
        const double ex = unit.rx * (u + unit.cx);
        const double ey = unit.ry * (v + unit.cy);
        return Point{unit.ca * ex - unit.sa * ey + unit.middle.x, unit.sa * ex + unit.ca * ey + unit.middle.y};
    };
    for (std::size_t i = 0; i < count; ++i) {
        const double t0 = unit.start + step * static_cast<double>(i);
        const double t1 = t0 + step;
        const double c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
        Cubic& cubic = curves.cubics[i];
        cubic.control1 = place(c0 - handle * s0, s0 + handle * c0);
        cubic.control2 = place(c1 + handle * s1, s1 - handle * c1);
        cubic.end = i + 1 == count ? to : place(c1, s1);
        if (!Finite(cubic.control1) || !Finite(cubic.control2) || !Finite(cubic.end))
            return;
    }
    curves.kind = ArcCurves::Kind::Curves;
    curves.count = count;
}

}  // namespace

ArcCurves ArcToCubics(Point from, Point to, Point radii, double angleDegrees, bool largeArc, bool clockwise)
{
    ArcCurves arc;
    if (from.x == to.x && from.y == to.y)
        return arc;
    arc.kind = ArcCurves::Kind::Line;
    if (std::abs(radii.x) == 0 || std::abs(radii.y) == 0)
        return arc;
    if (const std::optional<UnitArc> unit = SolveUnitArc(from, to, radii, angleDegrees, largeArc, clockwise))
        PlaceCubics(*unit, to, arc);
    return arc;
}
