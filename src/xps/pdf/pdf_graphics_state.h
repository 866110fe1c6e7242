// Graphics state parameter dictionaries (ExtGState): constant opacity and soft masks.
#pragma once

#include <optional>

#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"

struct PdfGraphicsState {
    std::optional<double> fillAlpha;    // ca, 0 to 1
    std::optional<double> strokeAlpha;  // CA, 0 to 1
    std::optional<PdfRef> softMask;     // a mask from WriteSoftMask
    bool clearSoftMask = false;         // /SMask /None, ending a mask set before
};

// The same state asked for again is the object written before.
PdfRef WriteGraphicsState(PdfWriter& writer, const PdfGraphicsState& state);
