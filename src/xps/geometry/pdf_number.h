// The numbers geometry puts into PDF: finite, within what PDF readers take, and written without a locale.
#pragma once

#include <string>

// PDF readers lose precision, or give up, well short of what a double holds; a page is at most 14,400
// points wide. Coordinates beyond this are clamped to it, which keeps huge rectangles (a clip meant to be
// endless) exact and moves only lines aimed at points kilometres off the page.
constexpr double kMaxPdfCoordinate = 1e7;

// Clamps to ±kMaxPdfCoordinate, infinities too; a NaN throws UnusableValue(XPS_E_INVALID_MARKUP).
double PdfCoordinate(double value);

// Appends the coordinate with at most `decimals` decimals (0 to 6), trailing zeros dropped, and no "-0".
void AppendPdfNumber(std::string& out, double value, int decimals);
