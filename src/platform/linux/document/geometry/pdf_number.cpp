// Guarding and writing coordinates with std::to_chars.
#include "pdf_number.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "document_failure.h"
#include "document_status.h"

double PdfCoordinate(double value)
{
    if (std::isnan(value))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return std::clamp(value, -kMaxPdfCoordinate, kMaxPdfCoordinate);
}

namespace {

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

}  // namespace

void AppendPdfNumber(std::string& out, double value, int decimals)
{
    // In whole units of the last decimal: coordinates are clamped to 1e7 and decimals to 6, so this fits
    // an integer with room to spare, and writing it is far cheaper than an exact decimal conversion.
    static constexpr std::int64_t kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    decimals = std::clamp(decimals, 0, 6);
    const std::int64_t scaled = std::llround(PdfCoordinate(value) * static_cast<double>(kScales[decimals]));
    const std::uint64_t magnitude = static_cast<std::uint64_t>(scaled < 0 ? -scaled : scaled);
    std::uint64_t fraction = magnitude % static_cast<std::uint64_t>(kScales[decimals]);
    char text[40];
    char* const end = text + sizeof text;
    char* first = end;
    // Trailing zeros go, and the digits that are left keep their leading ones.
    int places = decimals;
    while (fraction != 0 && fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    if (fraction != 0) {
        first = Digits(first, fraction, places);
        *--first = '.';
    }
    first = Digits(first, magnitude / static_cast<std::uint64_t>(kScales[decimals]));
    if (scaled < 0)
        *--first = '-';
    out.append(first, end);
}
