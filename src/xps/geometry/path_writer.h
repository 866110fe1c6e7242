// Geometry as PDF path construction operators: "x y m", "x y l", "x1 y1 x2 y2 x3 y3 c" and "h", one to a
// line, each point mapped by a matrix first and guarded by PdfCoordinate.
//
// XPS marks figures IsFilled and segments IsStroked, which PDF paths cannot carry, so one geometry makes
// two paths: Fill (also for clips) has every filled figure whole; Stroke has every figure, but only its
// stroked segments, each unstroked one becoming a move. A closed figure's closing line is stroked as its
// last segment is. The integrator paints each with its own operator, after checking Wrote(): a path of
// nothing must not be painted.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "xps/geometry/geometry.h"

enum class PathUse { Fill, Stroke };

class PdfPathWriter final : public GeometrySink {
public:
    PdfPathWriter(std::string& out, PathUse use, const Matrix& toPdf = {}, int decimals = 3)
        : m_out(out), m_use(use), m_toPdf(toPdf), m_decimals(decimals) {}

    bool Wrote() const { return m_wrote; }

    void BeginFigure(Point start, bool filled) override;
    void LineTo(Point end, bool stroked) override;
    void CubicTo(Point control1, Point control2, Point end, bool stroked) override;
    void EndFigure(bool closed) override;

private:
    // Whether the segment is drawn; writes the move it may need first.
    bool Draws(bool stroked);
    void Write(Point p);
    void WriteMapped(Point mapped);
    bool WriteBox();
    void FlushBox();
    void Operator(const char* op);

    std::string& m_out;
    PathUse m_use;
    Matrix m_toPdf;
    int m_decimals;
    bool m_wrote = false;

    bool m_skipped = false;
    bool m_movePending = false;
    Point m_move;
    Point m_start;
    bool m_gap = false;
    bool m_lastStroked = false;
    // A filled figure's mapped points while it may still be a box.
    bool m_boxing = false;
    std::array<Point, 5> m_box;
    std::size_t m_boxPoints = 0;
};

// The two paths of a geometry held, in place of what out held.
void WritePath(std::string& out, PathUse use, const Geometry& geometry, const Matrix& toPdf = {}, int decimals = 3);
std::string FillPath(const Geometry& geometry, const Matrix& toPdf = {}, int decimals = 3);
std::string StrokePath(const Geometry& geometry, const Matrix& toPdf = {}, int decimals = 3);
