#include "xps/pdf/pdf_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

void AppendPdfInteger(std::string& out, std::int64_t value)
{
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, written.ptr);
}

std::string PdfInteger(std::int64_t value)
{
    std::string text;
    AppendPdfInteger(text, value);
    return text;
}

void AppendPdfReal(std::string& out, double value)
{
    if (!std::isfinite(value) || std::fabs(value) > kPdfLargestReal)
        ThrowUnusable(E_FAIL);
    // 39 integer digits at most, a sign, a point and the decimals.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, kPdfRealDecimals);
    if (written.ec != std::errc())
        ThrowDocument(E_FAIL);
    char* end = written.ptr;
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.')
        --end;
    const std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out.append(text == "-0" ? std::string_view("0") : text);
}

std::string PdfReal(double value)
{
    std::string text;
    AppendPdfReal(text, value);
    return text;
}

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

void AppendPdfCoordinate(std::string& out, double value, int decimals)
{
    using Writer = void (*)(std::string&, double);
    static constexpr Writer kWriters[] = {AppendFixed<0>, AppendFixed<1>, AppendFixed<2>, AppendFixed<3>,
                                          AppendFixed<4>, AppendFixed<5>, AppendFixed<6>};
    kWriters[std::clamp(decimals, 0, 6)](out, value);
}
