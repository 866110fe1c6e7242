// The box a geometry covers once mapped by a matrix, tight around its curves, for the bounding boxes of
// transparency groups and the cells of tiles. It covers every figure, filled or not, stroked or not, and
// no stroke width: a stroked path's box is this one widened by the pen. Coordinates are guarded by
// PdfCoordinate, as the path written is.
#pragma once

#include <optional>

#include "xps/geometry/geometry.h"

struct Rect {
    double left, top, right, bottom;
};

class BoundsSink final : public GeometrySink {
public:
    explicit BoundsSink(const Matrix& matrix = {}) : m_matrix(matrix) {}

    // Nothing where no figure has a segment.
    std::optional<Rect> Result() const { return m_box; }

    void BeginFigure(Point start, bool filled) override;
    void LineTo(Point end, bool stroked) override;
    void CubicTo(Point control1, Point control2, Point end, bool stroked) override;
    void EndFigure(bool) override {}

private:
    Point Map(Point p) const;
    void Include(Point mapped);

    Matrix m_matrix;
    std::optional<Rect> m_box;
    Point m_current;
};

std::optional<Rect> Bounds(const Geometry& geometry, const Matrix& matrix = {});

// The box a rectangle's four corners span once mapped, unguarded.
Rect MappedBox(const Matrix& matrix, const Rect& box);
