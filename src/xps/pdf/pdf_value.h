// PDF values, each held as the text it is written as, and the geometry types the objects take.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// An indirect object's number (generation 0); 0 is no object.
struct PdfRef {
    std::uint32_t number = 0;
    explicit operator bool() const noexcept { return number != 0; }
};

struct PdfRect {
    double left = 0, bottom = 0, right = 0, top = 0;
};

// [a b c d e f], mapping (x, y) to (a x + c y + e, b x + d y + f).
struct PdfMatrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

class PdfValue {
public:
    static PdfValue Integer(std::int64_t value);
    static PdfValue Real(double value);
    static PdfValue Boolean(bool value);
    static PdfValue Null();
    // Throws DocumentFailure(E_FAIL) for an empty name or one holding a NUL, which no escape can write.
    static PdfValue Name(std::string_view name);
    static PdfValue Literal(std::string_view bytes);
    static PdfValue Hex(std::string_view bytes);
    // A text string from UTF-8: literal when printable ASCII, else UTF-16BE with its byte order mark.
    static PdfValue Text(std::string_view utf8);
    static PdfValue Reference(PdfRef object);
    static PdfValue Reals(const std::vector<double>& values);
    static PdfValue Reals(std::initializer_list<double> values);
    static PdfValue Rect(const PdfRect& rect);
    static PdfValue Matrix(const PdfMatrix& matrix);
    // Text already written as PDF, such as an operand list.
    static PdfValue Raw(std::string text) { return PdfValue(std::move(text)); }

    const std::string& Written() const noexcept { return m_text; }

private:
    explicit PdfValue(std::string text) : m_text(std::move(text)) {}

    std::string m_text;
};

class PdfArray {
public:
    PdfArray& Add(const PdfValue& value);
    PdfValue Value() const { return PdfValue::Raw("[" + m_text + "]"); }

private:
    std::string m_text;
};

// Keys in the order first set; setting a key again replaces its value.
class PdfDictionary {
public:
    PdfDictionary& Set(std::string_view key, const PdfValue& value);
    PdfValue Value() const;

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

// Appends a name's text, "/" and the bytes with #xx escapes.
void AppendPdfName(std::string& out, std::string_view name);
