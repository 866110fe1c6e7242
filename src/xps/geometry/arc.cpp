// The arc is solved on the unit circle: in the ellipse's own axes, scaled by its radii, the end points are
// (X, Y) and (-X, -Y) about the chord's middle, which keeps every quantity near 1 and clear of overflow.
#include "xps/geometry/arc.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

ArcCurves ArcToCubics(Point from, Point to, Point radii, double angleDegrees, bool largeArc, bool clockwise)
{
    ArcCurves arc;
    if (from.x == to.x && from.y == to.y)
        return arc;
    arc.kind = ArcCurves::Kind::Line;
    double rx = std::abs(radii.x);
    double ry = std::abs(radii.y);
    if (rx == 0 || ry == 0)
        return arc;

    const double angle = std::fmod(angleDegrees, 360.0) * kPi / 180;
    const double ca = std::cos(angle);
    const double sa = std::sin(angle);
    // Halved before subtracting, so that far-apart points cannot overflow.
    const double hx = from.x / 2 - to.x / 2;
    const double hy = from.y / 2 - to.y / 2;
    const Point middle{from.x / 2 + to.x / 2, from.y / 2 + to.y / 2};
    double x = (ca * hx + sa * hy) / rx;
    double y = (-sa * hx + ca * hy) / ry;
    const double reach = x * x + y * y;
    if (!std::isfinite(reach) || reach == 0)
        return arc;
    if (reach > 1) {
        const double grow = std::sqrt(reach);
        rx *= grow;
        ry *= grow;
        x /= grow;
        y /= grow;
    }
    // The centre, on the unit circle's side that IsLargeArc and the sweep select.
    const double lift = reach >= 1 ? 0 : std::sqrt((1 - reach) / reach) * (largeArc != clockwise ? 1 : -1);
    const double cx = lift * y;
    const double cy = -lift * x;
    const double start = std::atan2(y - cy, x - cx);
    double sweep = std::atan2(-y - cy, -x - cx) - start;
    if (clockwise && sweep < 0)
        sweep += 2 * kPi;
    else if (!clockwise && sweep > 0)
        sweep -= 2 * kPi;

    const auto pieces = static_cast<std::size_t>(std::ceil(std::abs(sweep) / (kPi / 4) - 1e-9));
    const std::size_t count = pieces < 1 ? 1 : pieces > arc.cubics.size() ? arc.cubics.size() : pieces;
    const double step = sweep / static_cast<double>(count);
    const double handle = 4.0 / 3 * std::tan(step / 4);
    const auto place = [&](double u, double v) {
        const double ex = rx * (u + cx);
        const double ey = ry * (v + cy);
        return Point{ca * ex - sa * ey + middle.x, sa * ex + ca * ey + middle.y};
    };
    for (std::size_t i = 0; i < count; ++i) {
        const double t0 = start + step * static_cast<double>(i);
        const double t1 = t0 + step;
        const double c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
        Cubic& cubic = arc.cubics[i];
        cubic.control1 = place(c0 - handle * s0, s0 + handle * c0);
        cubic.control2 = place(c1 + handle * s1, s1 - handle * c1);
        cubic.end = i + 1 == count ? to : place(c1, s1);
        if (!Finite(cubic.control1) || !Finite(cubic.control2) || !Finite(cubic.end))
            return arc;
    }
    arc.kind = ArcCurves::Kind::Curves;
    arc.count = count;
    return arc;
}
