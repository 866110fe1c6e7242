// Numbers as PDF writes them: locale-free, never with an exponent, never NaN or infinite.
#pragma once

#include <cstdint>
#include <string>

// Reals keep this many decimals at most: a hundred-thousandth of a point, or of a colour component.
constexpr int kPdfRealDecimals = 5;
// Beyond this readers' reals overflow; the value is refused rather than written.
constexpr double kPdfLargestReal = 3.4e38;

void AppendPdfInteger(std::string& out, std::int64_t value);
// Fixed-point, trailing zeros dropped, -0 as 0; throws UnusableValue(E_FAIL) for a value that is not
// finite or beyond kPdfLargestReal.
void AppendPdfReal(std::string& out, double value);
std::string PdfReal(double value);
