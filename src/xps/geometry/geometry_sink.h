// What geometry is read into, figure by figure: a path of lines and cubic Béziers, with XPS's per-figure
// IsFilled and IsClosed and per-segment IsStroked. Arcs and quadratic Béziers arrive already as cubics.
// The readers (path_data.h, geometry_builder.h) write into a sink; a Geometry keeps what it is given, and
// the PDF writer, the bounds and the line caps are sinks too, so a page's geometry can go straight to
// its PDF without being held.
#pragma once

#include <cstddef>

#include "xps/document_failure.h"
#include "xps/geometry/matrix.h"

enum class FillRule { EvenOdd, NonZero };

class GeometrySink {
public:
    virtual void BeginFigure(Point start, bool filled) = 0;
    virtual void LineTo(Point end, bool stroked) = 0;
    virtual void CubicTo(Point control1, Point control2, Point end, bool stroked) = 0;
    virtual void EndFigure(bool closed) = 0;

protected:
    ~GeometrySink() = default;
};

// How many figures and segments a page may still read, shared by all of its geometry, so that neither the
// geometry held nor the PDF written grows without bound. Spending past it fails with E_OUTOFMEMORY.
class SegmentBudget {
public:
    // A million cubics held in a Geometry take about 50 MiB.
    static constexpr std::size_t kDefault = 1u << 20;

    explicit SegmentBudget(std::size_t segments = kDefault) : m_left(segments) {}
    void Spend()
    {
        if (m_left == 0)
            ThrowDocument(E_OUTOFMEMORY);
        --m_left;
    }
    std::size_t Left() const { return m_left; }

private:
    std::size_t m_left;
};
