// Gradients: axial and radial shadings whose colour runs through stops, and shading patterns over
// them for filling with a brush's transform.
#pragma once

#include <vector>

#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"

struct PdfGradientStop {
    double offset = 0;           // 0 to 1, never less than the stop before
    std::vector<double> color;   // components of the gradient's colour space
};

struct PdfGradient {
    PdfValue colorSpace = PdfValue::Name("DeviceRGB");
    std::vector<PdfGradientStop> stops;  // at least one, all with as many components
    bool extendStart = true;
    bool extendEnd = true;
};

struct PdfAxial {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// From the circle at (x0, y0) of radius r0 to the one at (x1, y1) of radius r1.
struct PdfRadial {
    double x0 = 0, y0 = 0, r0 = 0, x1 = 0, y1 = 0, r1 = 0;
};

// Throw DocumentFailure(E_FAIL) for stops out of order or out of 0 to 1, or of unequal or no colours.
PdfRef WriteAxialShading(PdfWriter& writer, const PdfGradient& gradient, const PdfAxial& axis);
PdfRef WriteRadialShading(PdfWriter& writer, const PdfGradient& gradient, const PdfRadial& circles);

// A shading pattern (PatternType 2): the shading in pattern space mapped by the matrix to the default
// space of the page it is used on.
PdfRef WriteShadingPattern(PdfWriter& writer, PdfRef shading, const PdfMatrix& matrix);
