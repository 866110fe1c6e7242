// XPS's page space in the PDF writer's terms.
#pragma once

#include "xps/geometry/bounds.h"
#include "xps/pdf/pdf_value.h"

// XPS units are 1/96 inch, PDF's points 1/72.
constexpr double kPointsPerUnit = 72.0 / 96.0;

inline PdfMatrix ToPdf(const Matrix& m) { return {m.a, m.b, m.c, m.d, m.e, m.f}; }

// A box already in PDF's space, where y grows upwards: its least y is the bottom.
inline PdfRect ToPdf(const Rect& box) { return {box.left, box.top, box.right, box.bottom}; }
