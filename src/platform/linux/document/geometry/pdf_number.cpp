// Guarding and writing coordinates with std::to_chars.
#include "pdf_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "document_failure.h"
#include "document_status.h"

double PdfCoordinate(double value)
{
    if (std::isnan(value))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return std::clamp(value, -kMaxPdfCoordinate, kMaxPdfCoordinate);
}

void AppendPdfNumber(std::string& out, double value, int decimals)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, PdfCoordinate(value),
                                            std::chars_format::fixed, std::clamp(decimals, 0, 6));
    // Cannot fail: the clamped value needs at most 15 characters.
    static_cast<void>(error);
    const char* last = end;
    if (std::find(static_cast<const char*>(text), last, '.') != last) {
        while (last[-1] == '0')
            --last;
        if (last[-1] == '.')
            --last;
    }
    const char* first = text;
    if (last - first == 2 && first[0] == '-' && first[1] == '0')
        ++first;
    out.append(first, last);
}
