// Writing path operators as figures arrive.
#include "path_writer.h"

#include "pdf_number.h"

void PdfPathWriter::Write(Point p)
{
    const Point mapped = m_toPdf.Apply(p);
    AppendPdfNumber(m_out, mapped.x, m_decimals);
    m_out += ' ';
    AppendPdfNumber(m_out, mapped.y, m_decimals);
    m_out += ' ';
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
        Write(m_move);
        Operator("m");
        m_movePending = false;
    }
    return true;
}

void PdfPathWriter::LineTo(Point end, bool stroked)
{
    if (Draws(stroked)) {
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

std::string FillPath(const Geometry& geometry, const Matrix& toPdf, int decimals)
{
    std::string out;
    PdfPathWriter writer(out, PathUse::Fill, toPdf, decimals);
    geometry.Replay(writer);
    return out;
}

std::string StrokePath(const Geometry& geometry, const Matrix& toPdf, int decimals)
{
    std::string out;
    PdfPathWriter writer(out, PathUse::Stroke, toPdf, decimals);
    geometry.Replay(writer);
    return out;
}
