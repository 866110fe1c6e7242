// Numbers as PDF writes them: locale-free, never with an exponent, never NaN or infinite. Coordinates
// clamp to what readers take; any other real is refused when it is not finite or would overflow a reader.
#pragma once

#include <cstdint>
#include <string>

// Reals keep this many decimals at most: a hundred-thousandth of a point, or of a colour component.
constexpr int kPdfRealDecimals = 5;
// Beyond this readers' reals overflow; the value is refused rather than written.
constexpr double kPdfLargestReal = 3.4e38;
// PDF readers lose precision, or give up, well short of what a double holds; a page is at most 14,400
// points wide. Coordinates beyond this are clamped to it, which keeps huge rectangles (a clip meant to be
// endless) exact and moves only lines aimed at points kilometres off the page.
constexpr double kMaxPdfCoordinate = 1e7;

void AppendPdfInteger(std::string& out, std::int64_t value);
std::string PdfInteger(std::int64_t value);

// Fixed-point, trailing zeros dropped, -0 as 0; throws UnusableValue(E_FAIL) for a value that is not
// finite or beyond kPdfLargestReal.
void AppendPdfReal(std::string& out, double value);
std::string PdfReal(double value);

// Clamps to ±kMaxPdfCoordinate, infinities too; a NaN throws UnusableValue(XPS_E_INVALID_MARKUP).
double PdfCoordinate(double value);
// The coordinate clamped, with at most `decimals` decimals (0 to 6), trailing zeros dropped, and no "-0".
void AppendPdfCoordinate(std::string& out, double value, int decimals);
