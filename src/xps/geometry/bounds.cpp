// A cubic's box is its end points' and those of its turning points: where either coordinate's derivative,
// a quadratic in t, is zero within (0, 1). Affine maps keep Béziers Béziers, so the curve is mapped first.
#include "xps/geometry/bounds.h"

#include <algorithm>
#include <cmath>

#include "xps/pdf/pdf_number.h"

namespace {

// The turning points of one coordinate of a cubic, as parameters in (0, 1).
int Turns(double p0, double p1, double p2, double p3, double t[2])
{
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    double roots[2];
    int count = 0;
    const double scale = std::abs(a) + std::abs(b) + std::abs(c);
    if (!(scale > 0))
        return 0;
    if (std::abs(a) <= 1e-12 * scale) {
        if (b != 0)
            roots[count++] = -c / b;
    } else {
        const double discriminant = b * b - 4 * a * c;
        if (discriminant >= 0) {
            const double root = std::sqrt(discriminant);
            roots[count++] = (-b + root) / (2 * a);
            roots[count++] = (-b - root) / (2 * a);
        }
    }
    int inside = 0;
    for (int i = 0; i < count; ++i)
        if (roots[i] > 0 && roots[i] < 1)
            t[inside++] = roots[i];
    return inside;
}

double At(double p0, double p1, double p2, double p3, double t)
{
    const double s = 1 - t;
    return s * s * s * p0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t * t * t * p3;
}

}  // namespace

Point BoundsSink::Map(Point p) const
{
    const Point mapped = m_matrix.Apply(p);
    return {PdfCoordinate(mapped.x), PdfCoordinate(mapped.y)};
}

void BoundsSink::Include(Point p)
{
    if (!m_box) {
        m_box = Rect{p.x, p.y, p.x, p.y};
        return;
    }
    m_box->left = std::min(m_box->left, p.x);
    m_box->top = std::min(m_box->top, p.y);
    m_box->right = std::max(m_box->right, p.x);
    m_box->bottom = std::max(m_box->bottom, p.y);
}

void BoundsSink::BeginFigure(Point start, bool) { m_current = Map(start); }

void BoundsSink::LineTo(Point end, bool)
{
    Include(m_current);
    m_current = Map(end);
    Include(m_current);
}

void BoundsSink::CubicTo(Point control1, Point control2, Point end, bool)
{
    const Point p0 = m_current, p1 = Map(control1), p2 = Map(control2), p3 = Map(end);
    Include(p0);
    Include(p3);
    double t[2];
    for (int i = 0, n = Turns(p0.x, p1.x, p2.x, p3.x, t); i < n; ++i)
        Include({At(p0.x, p1.x, p2.x, p3.x, t[i]), p0.y});
    for (int i = 0, n = Turns(p0.y, p1.y, p2.y, p3.y, t); i < n; ++i)
        Include({p0.x, At(p0.y, p1.y, p2.y, p3.y, t[i])});
    m_current = p3;
}

std::optional<Rect> Bounds(const Geometry& geometry, const Matrix& matrix)
{
    BoundsSink bounds(matrix);
    geometry.Replay(bounds);
    return bounds.Result();
}

Rect MappedBox(const Matrix& matrix, const Rect& box)
{
    Rect mapped{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const Point corner : {Point{box.left, box.top}, Point{box.right, box.top}, Point{box.left, box.bottom},
                               Point{box.right, box.bottom}}) {
        const Point p = matrix.Apply(corner);
        mapped = {std::min(mapped.left, p.x), std::min(mapped.top, p.y), std::max(mapped.right, p.x),
                  std::max(mapped.bottom, p.y)};
    }
    return mapped;
}
