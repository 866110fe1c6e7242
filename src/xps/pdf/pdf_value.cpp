#include "xps/pdf/pdf_value.h"

#include "xps/document_failure.h"
#include "xps/pdf/pdf_number.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char byte)
{
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
}

bool IsDelimiter(char c)
{
    return std::string_view("()<>[]{}/%#").find(c) != std::string_view::npos;
}

// The next code point of UTF-8, U+FFFD for a byte that does not begin a well-formed one.
char32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int trailing = -1;
    if (lead >= 0xC2 && lead <= 0xDF)
        trailing = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        trailing = 2;
    else if (lead >= 0xF0 && lead <= 0xF4)
        trailing = 3;
    if (trailing < 0 || at + static_cast<std::size_t>(trailing) > text.size())
        return 0xFFFD;
    char32_t code = lead & (0x3F >> trailing);
    for (int i = 0; i < trailing; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        code = code << 6 | (next & 0x3F);
    }
    at += static_cast<std::size_t>(trailing);
    const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[trailing] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    return code;
}

void AppendUtf16Unit(std::string& out, char32_t unit)
{
    AppendHexByte(out, static_cast<unsigned char>(unit >> 8));
    AppendHexByte(out, static_cast<unsigned char>(unit & 0xFF));
}

}  // namespace

void AppendPdfName(std::string& out, std::string_view name)
{
    if (name.empty() || name.find('\0') != std::string_view::npos)
        ThrowDocument(E_FAIL);
    out += '/';
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x21 || byte > 0x7E || IsDelimiter(c)) {
            out += '#';
            AppendHexByte(out, byte);
        } else {
            out += c;
        }
    }
}

PdfValue PdfValue::Integer(std::int64_t value)
{
    return PdfValue(PdfInteger(value));
}

PdfValue PdfValue::Real(double value) { return PdfValue(PdfReal(value)); }

PdfValue PdfValue::Boolean(bool value) { return PdfValue(value ? "true" : "false"); }

PdfValue PdfValue::Null() { return PdfValue("null"); }

PdfValue PdfValue::Name(std::string_view name)
{
    std::string text;
    AppendPdfName(text, name);
    return PdfValue(std::move(text));
}

PdfValue PdfValue::Literal(std::string_view bytes)
{
    std::string text = "(";
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '(' || c == ')' || c == '\\') {
            text += '\\';
            text += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            // Octal, so that no reader turns an end of line into another.
            text += '\\';
            text += static_cast<char>('0' + (byte >> 6));
            text += static_cast<char>('0' + ((byte >> 3) & 7));
            text += static_cast<char>('0' + (byte & 7));
        } else {
            text += c;
        }
    }
    return PdfValue(text + ")");
}

PdfValue PdfValue::Hex(std::string_view bytes)
{
    std::string text = "<";
    for (char c : bytes)
        AppendHexByte(text, static_cast<unsigned char>(c));
    return PdfValue(text + ">");
}

PdfValue PdfValue::Text(std::string_view utf8)
{
    bool printable = true;
    for (char c : utf8)
        printable = printable && c >= 0x20 && c <= 0x7E;
    if (printable)
        return Literal(utf8);
    std::string text = "<FEFF";
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t code = NextCodePoint(utf8, at);
        if (code < 0x10000) {
            AppendUtf16Unit(text, code);
        } else {
            AppendUtf16Unit(text, 0xD800 + ((code - 0x10000) >> 10));
            AppendUtf16Unit(text, 0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return PdfValue(text + ">");
}

PdfValue PdfValue::Reference(PdfRef object)
{
    if (!object)
        ThrowDocument(E_FAIL);
    return PdfValue(PdfInteger(object.number) + " 0 R");
}

PdfValue PdfValue::Reals(const std::vector<double>& values)
{
    std::string text = "[";
    for (double value : values) {
        if (text.size() > 1)
            text += ' ';
        AppendPdfReal(text, value);
    }
    return PdfValue(text + "]");
}

PdfValue PdfValue::Reals(std::initializer_list<double> values) { return Reals(std::vector<double>(values)); }

PdfValue PdfValue::Rect(const PdfRect& rect) { return Reals({rect.left, rect.bottom, rect.right, rect.top}); }

PdfValue PdfValue::Matrix(const PdfMatrix& m) { return Reals({m.a, m.b, m.c, m.d, m.e, m.f}); }

PdfArray& PdfArray::Add(const PdfValue& value)
{
    if (!m_text.empty())
        m_text += ' ';
    m_text += value.Written();
    return *this;
}

PdfDictionary& PdfDictionary::Set(std::string_view key, const PdfValue& value)
{
    std::string name;
    AppendPdfName(name, key);
    for (auto& entry : m_entries) {
        if (entry.first == name) {
            entry.second = value.Written();
            return *this;
        }
    }
    m_entries.emplace_back(std::move(name), value.Written());
    return *this;
}

PdfValue PdfDictionary::Value() const
{
    std::string text = "<<";
    for (const auto& [key, value] : m_entries) {
        text += key;
        text += ' ';
        text += value;
    }
    return PdfValue::Raw(text + ">>");
}
