// Writing path operators as figures arrive.
#include "xps/geometry/path_writer.h"

#include "xps/pdf/pdf_number.h"

#include <cmath>

namespace {

bool Same(double a, double b) { return std::fabs(a - b) < 1e-9; }

}  // namespace

void PdfPathWriter::Write(Point p) { WriteMapped(m_toPdf.Apply(p)); }

void PdfPathWriter::WriteMapped(Point mapped)
{
    AppendPdfCoordinate(m_out, mapped.x, m_decimals);
    m_out += ' ';
    AppendPdfCoordinate(m_out, mapped.y, m_decimals);
    m_out += ' ';
}

// A filled figure of four straight sides along the axes is written as "re", a fifth of the size, which
// pages of many small boxes (text turned into shapes, tables) are made of. re runs right, then up; a
// box that runs up first starts at its other corner, so that it winds the same way.
bool PdfPathWriter::WriteBox()
{
    const std::array<Point, 5>& p = m_box;
    if (m_boxPoints == 5 && Same(p[4].x, p[0].x) && Same(p[4].y, p[0].y))
        --m_boxPoints;
    if (m_boxPoints != 4)
        return false;
    const bool across = Same(p[0].y, p[1].y) && Same(p[1].x, p[2].x) && Same(p[2].y, p[3].y) && Same(p[3].x, p[0].x);
    const bool up = Same(p[0].x, p[1].x) && Same(p[1].y, p[2].y) && Same(p[2].x, p[3].x) && Same(p[3].y, p[0].y);
    if (!across && !up)
        return false;
    const Point corner = across ? p[0] : p[3];
    WriteMapped(corner);
    WriteMapped(across ? Point{p[1].x - p[0].x, p[3].y - p[0].y} : Point{p[0].x - p[3].x, p[1].y - p[0].y});
    Operator("re");
    return true;
}

void PdfPathWriter::FlushBox()
{
    for (std::size_t i = 0; i < m_boxPoints; ++i) {
        WriteMapped(m_box[i]);
        Operator(i == 0 ? "m" : "l");
    }
    m_boxPoints = 0;
    m_boxing = false;
}

void PdfPathWriter::Operator(const char* op)
{
    m_out += op;
    m_out += '\n';
    m_wrote = true;
}

void PdfPathWriter::BeginFigure(Point start, bool filled)
{
    m_skipped = m_use == PathUse::Fill && !filled;
    m_movePending = true;
    m_move = m_start = start;
    m_gap = false;
    m_lastStroked = false;
}

bool PdfPathWriter::Draws(bool stroked)
{
    if (m_skipped)
        return false;
    const bool draws = m_use == PathUse::Fill || stroked;
    m_lastStroked = stroked;
    if (!draws) {
        m_gap = true;
        return false;
    }
    if (m_movePending) {
        m_movePending = false;
        if (m_use == PathUse::Fill) {
            m_boxing = true;
            m_box[0] = m_toPdf.Apply(m_move);
            m_boxPoints = 1;
        } else {
            Write(m_move);
            Operator("m");
        }
    }
    return true;
}

void PdfPathWriter::LineTo(Point end, bool stroked)
{
    if (Draws(stroked)) {
        if (m_boxing && m_boxPoints < m_box.size()) {
            m_box[m_boxPoints++] = m_toPdf.Apply(end);
            return;
        }
        if (m_boxing)
            FlushBox();
        Write(end);
        Operator("l");
    } else {
        m_movePending = true;
        m_move = end;
    }
}

void PdfPathWriter::CubicTo(Point control1, Point control2, Point end, bool stroked)
{
    if (Draws(stroked)) {
        if (m_boxing)
            FlushBox();
        Write(control1);
        Write(control2);
        Write(end);
        Operator("c");
    } else {
        m_movePending = true;
        m_move = end;
    }
}

void PdfPathWriter::EndFigure(bool closed)
{
    // An empty figure, or one with nothing stroked, leaves a pending move and nothing else.
    if (m_skipped || m_movePending)
        return;
    if (m_use == PathUse::Fill) {
        if (m_boxing && WriteBox()) {
            m_boxPoints = 0;
            m_boxing = false;
            return;
        }
        if (m_boxing)
            FlushBox();
        Operator("h");
    } else if (closed && m_lastStroked) {
        // "h" would close to the last move, not to where the figure began.
        if (m_gap) {
            Write(m_start);
            Operator("l");
        } else {
            Operator("h");
        }
    }
}

void WritePath(std::string& out, PathUse use, const Geometry& geometry, const Matrix& toPdf, int decimals)
{
    out.clear();
    PdfPathWriter writer(out, use, toPdf, decimals);
    geometry.Replay(writer);
}

std::string FillPath(const Geometry& geometry, const Matrix& toPdf, int decimals)
{
    std::string out;
    WritePath(out, PathUse::Fill, geometry, toPdf, decimals);
    return out;
}

std::string StrokePath(const Geometry& geometry, const Matrix& toPdf, int decimals)
{
    std::string out;
    WritePath(out, PathUse::Stroke, geometry, toPdf, decimals);
    return out;
}
