// Guarding coordinates, and writing them without a general decimal conversion.
#include "xps/geometry/pdf_number.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "xps/document_failure.h"
#include "xps/document_status.h"

double PdfCoordinate(double value)
{
    if (std::isnan(value))
        ThrowUnusable(XPS_E_INVALID_MARKUP);
    return std::clamp(value, -kMaxPdfCoordinate, kMaxPdfCoordinate);
}

namespace {

constexpr std::uint64_t Power10(int exponent) { return exponent == 0 ? 1 : 10 * Power10(exponent - 1); }

// Writes a whole number's digits backwards from end; returns where they begin.
char* Digits(char* end, std::uint64_t value, int least = 1)
{
    int written = 0;
    do {
        *--end = static_cast<char>('0' + value % 10);
        value /= 10;
        ++written;
    } while (value != 0 || written < least);
    return end;
}

// In whole units of the last decimal: coordinates are clamped to 1e7 and decimals to 6, so this fits an
// integer with room to spare, and writing it is far cheaper than an exact decimal conversion. The
// decimals are a constant, so that the divisions by their scale become multiplications.
template <int kDecimals>
void AppendFixed(std::string& out, double value)
{
    constexpr std::uint64_t kScale = Power10(kDecimals);
    const double scaled = PdfCoordinate(value) * static_cast<double>(kScale);
    // Halves round away from zero.
    const auto rounded = static_cast<std::int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
    const std::uint64_t magnitude = static_cast<std::uint64_t>(rounded < 0 ? -rounded : rounded);
    std::uint64_t fraction = magnitude % kScale;
    char text[40];
    char* const end = text + sizeof text;
    char* first = end;
    // Trailing zeros go, and the digits that are left keep their leading ones.
    int places = kDecimals;
    while (fraction != 0 && fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    if (fraction != 0) {
        first = Digits(first, fraction, places);
        *--first = '.';
    }
    first = Digits(first, magnitude / kScale);
    if (rounded < 0)
        *--first = '-';
    out.append(first, end);
}

}  // namespace

void AppendPdfNumber(std::string& out, double value, int decimals)
{
    switch (std::clamp(decimals, 0, 6)) {
    case 0:
        return AppendFixed<0>(out, value);
    case 1:
        return AppendFixed<1>(out, value);
    case 2:
        return AppendFixed<2>(out, value);
    case 3:
        return AppendFixed<3>(out, value);
    case 4:
        return AppendFixed<4>(out, value);
    case 5:
        return AppendFixed<5>(out, value);
    default:
        return AppendFixed<6>(out, value);
    }
}
