// What a brush paints with, once it is placed on an element: a colour, or a pattern in the surface's
// default space, each with an opacity and, for gradients whose stops are translucent, a soft mask.
#pragma once

#include <optional>
#include <vector>

#include "xps/pdf/pdf_value.h"

struct Paint {
    // Drawing: a picture drawn once inside the element's outline, where a pattern would repeat it.
    enum class Kind { Nothing, Color, Pattern, Drawing };
    Kind kind = Kind::Nothing;
    // Color: sRGB, or the components of an ICC colour space where one is given.
    double red = 0, green = 0, blue = 0;
    std::optional<PdfValue> colorSpace;
    std::vector<double> components;
    // Pattern: a shading or tiling pattern placed for this element.
    PdfRef pattern;
    // Drawing: the form, and where it goes in the surface's space.
    PdfRef form;
    PdfMatrix placement;
    double alpha = 1;
    std::optional<PdfRef> softMask;
};
