// Content with resources of its own: form XObjects (a visual brush's drawing, a transparency group),
// soft masks made from a form, and tiling patterns.
#pragma once

#include "xps/pdf/pdf_content.h"
#include "xps/pdf/pdf_resources.h"
#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"

struct PdfFormSetup {
    explicit PdfFormSetup(const PdfRect& bbox, const PdfMatrix& matrix = {}) : bbox(bbox), matrix(matrix) {}

    PdfRect bbox;
    PdfMatrix matrix;
    // A transparency group (/Group /S /Transparency /CS /DeviceRGB), drawn as one layer.
    bool group = false;
    bool isolated = false;  // /I
    bool knockout = false;  // /K
};

PdfRef WriteForm(PdfWriter& writer, const PdfFormSetup& setup, const PdfContent& content,
                 const PdfResources& resources);

// Which of the group's results masks: its alpha (an opacity mask drawn in its own colours and
// opacities), or its luminosity (opacity drawn as grey levels) over a black backdrop, so that what
// the group leaves unpainted masks everything.
enum class PdfMaskSource { Alpha, Luminosity };

// Writes the form as a transparency group and the soft mask dictionary over it, for
// PdfGraphicsState::softMask.
PdfRef WriteSoftMask(PdfWriter& writer, PdfMaskSource source, PdfFormSetup setup, const PdfContent& content,
                     const PdfResources& resources);

// A coloured tiling pattern (PatternType 1, PaintType 1, TilingType 1): the cell's content repeated
// every step, in pattern space mapped by the matrix to the default space of the page it is used on.
struct PdfTilingSetup {
    PdfTilingSetup(const PdfRect& bbox, double xStep, double yStep, const PdfMatrix& matrix = {})
        : bbox(bbox), xStep(xStep), yStep(yStep), matrix(matrix)
    {
    }

    PdfRect bbox;
    double xStep = 0;
    double yStep = 0;
    PdfMatrix matrix;
};

// Throws DocumentFailure(E_FAIL) for a step too small to write.
PdfRef WriteTilingPattern(PdfWriter& writer, const PdfTilingSetup& setup, const PdfContent& content,
                          const PdfResources& resources);
