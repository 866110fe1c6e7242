// The caps PDF cannot draw. A PDF stroke gives every end of every subpath the same cap and has no
// triangle; XPS gives a stroke's start and end caps of their own, among them Triangle. Where they differ
// or either is Triangle, stroke with flat caps ("0 J") and fill, with the stroke's brush and the non-zero
// rule, the shapes this writes: one closed figure for each cap at each end of each open stroked run of
// segments (a figure's unstroked segments end one run and begin another).
//
// Caps are shaped in the geometry's own space, where the pen's thickness is given, and then mapped by the
// matrix; so the stroke itself must be drawn in that space too, under a "cm" of the same matrix. A run of
// zero length gets no caps. Dashes' caps are not drawn here.
#pragma once

#include <string>

#include "xps/geometry/path_writer.h"

enum class LineCap { Flat, Square, Round, Triangle };

class LineCapWriter final : public GeometrySink {
public:
    LineCapWriter(std::string& out, LineCap start, LineCap end, double thickness, const Matrix& toPdf = {},
                  int decimals = 3)
        : m_writer(out, PathUse::Fill, toPdf, decimals), m_startCap(start), m_endCap(end),
          m_halfWidth(thickness / 2) {}

    bool Wrote() const { return m_writer.Wrote(); }

    void BeginFigure(Point start, bool filled) override;
    void LineTo(Point end, bool stroked) override;
    void CubicTo(Point control1, Point control2, Point end, bool stroked) override;
    void EndFigure(bool closed) override;

private:
    // A stroked segment from the current point, leaving along `leaving` and arriving along `arriving`.
    void Stroked(Point end, Point leaving, Point arriving, bool stroked);
    void EndRun();
    // The cap at `at`, pointing away from the stroke along `outward`.
    void Cap(LineCap cap, Point at, Point outward);

    PdfPathWriter m_writer;
    LineCap m_startCap;
    LineCap m_endCap;
    double m_halfWidth;

    Point m_figureStart;
    Point m_current;
    bool m_inRun = false;
    bool m_gap = false;
    bool m_lastStroked = false;
    Point m_runStart;
    // The first and last directions along the run that are not zero; none yet while m_runDirected is false.
    bool m_runDirected = false;
    Point m_runLeaving;
    Point m_runArriving;
};
