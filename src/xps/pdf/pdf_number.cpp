#include "xps/pdf/pdf_number.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "xps/document_failure.h"

void AppendPdfInteger(std::string& out, std::int64_t value)
{
    char buffer[24];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, written.ptr);
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
