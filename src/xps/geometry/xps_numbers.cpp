// Reading numbers with std::from_chars, which ignores the locale.
#include "xps/geometry/xps_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/xml_space.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The first letter of "Infinity", "INF" or "NaN", as writers spell the values that are no place.
bool IsUnusableStart(char c) { return c == 'I' || c == 'i' || c == 'N' || c == 'n'; }

}  // namespace

void NumberScanner::SkipSpace()
{
    while (m_at < m_text.size() && IsXmlSpace(m_text[m_at]))
        ++m_at;
}

char NumberScanner::Peek()
{
    SkipSpace();
    return m_at < m_text.size() ? m_text[m_at] : 0;
}

bool NumberScanner::AtNumber()
{
    const char c = Peek();
    return IsDigit(c) || c == '.' || c == '-' || c == '+' || IsUnusableStart(c);
}

double NumberScanner::Number()
{
    SkipSpace();
    bool negative = false;
    if (m_at < m_text.size() && (m_text[m_at] == '-' || m_text[m_at] == '+'))
        negative = m_text[m_at++] == '-';
    // from_chars would also take a second sign. It takes "inf" and "nan" too, which are then no place.
    if (m_at == m_text.size() || !(IsDigit(m_text[m_at]) || m_text[m_at] == '.' || IsUnusableStart(m_text[m_at])))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    const char* first = m_text.data() + m_at;
    const char* const last = m_text.data() + m_text.size();
    // Most numbers of path data are a few digits with a few decimals: read those directly, exactly as
    // their digits say, and leave anything longer, or with an exponent, to from_chars.
    {
        std::uint64_t digits = 0;
        int count = 0;
        int decimals = 0;
        const char* at = first;
        for (; at < last && IsDigit(*at) && count < 15; ++at, ++count)
            digits = digits * 10 + static_cast<unsigned>(*at - '0');
        if (at < last && *at == '.') {
            for (++at; at < last && IsDigit(*at) && count < 15; ++at, ++count, ++decimals)
                digits = digits * 10 + static_cast<unsigned>(*at - '0');
        }
        static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const bool simple = count > 0 && count < 15 && (at == last || !(IsDigit(*at) || *at == '.' || *at == 'e' || *at == 'E'));
        if (simple) {
            m_at = static_cast<std::size_t>(at - m_text.data());
            const double value = static_cast<double>(digits) / kPowers[decimals];
            return negative ? -value : value;
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        // Too small to tell from zero is zero; too large is no place at all.
        const std::string_view token(first, static_cast<std::size_t>(end - first));
        const std::size_t exponent = token.find_first_of("eE");
        if (exponent == std::string_view::npos || exponent + 1 >= token.size() || token[exponent + 1] != '-')
            ThrowUnusable(XPS_E_INVALID_MARKUP);
        value = 0;
    } else if (error != std::errc()) {
        ThrowDocument(XPS_E_INVALID_MARKUP);
    } else if (!std::isfinite(value)) {
        ThrowUnusable(XPS_E_INVALID_MARKUP);
    }
    m_at = static_cast<std::size_t>(end - m_text.data());
    return negative ? -value : value;
}

Point NumberScanner::Pair()
{
    const double x = Number();
    Separator();
    return {x, Number()};
}

bool NumberScanner::Flag()
{
    const char c = Peek();
    if (c != '0' && c != '1')
        ThrowDocument(XPS_E_INVALID_MARKUP);
    ++m_at;
    return c == '1';
}

void NumberScanner::Separator()
{
    if (Peek() == ',')
        ++m_at;
}

void NumberScanner::Comma()
{
    if (Peek() != ',')
        ThrowDocument(XPS_E_INVALID_MARKUP);
    ++m_at;
}

void NumberScanner::End()
{
    if (!AtEnd())
        ThrowDocument(XPS_E_INVALID_MARKUP);
}

double ParseNumber(std::string_view text)
{
    NumberScanner scanner(text);
    const double value = scanner.Number();
    scanner.End();
    return value;
}

Point ParsePoint(std::string_view text)
{
    NumberScanner scanner(text);
    const double x = scanner.Number();
    scanner.Comma();
    const Point p{x, scanner.Number()};
    scanner.End();
    return p;
}

std::array<double, 4> ParseBox(std::string_view text)
{
    NumberScanner scanner(text);
    std::array<double, 4> box{};
    for (std::size_t i = 0; i < box.size(); ++i) {
        if (i > 0)
            scanner.Comma();
        box[i] = scanner.Number();
    }
    scanner.End();
    return box;
}
