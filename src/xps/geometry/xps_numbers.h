// Reads the numbers of XPS attribute values and path data. A number is an optional sign, digits with an
// optional fraction or a bare fraction, and an optional exponent; it ends where the next character could
// not continue it, so "1.5.5" is 1.5 then .5 and "-1-2" is -1 then -2. Every failure is
// XPS_E_INVALID_MARKUP, and every number read is finite: "Infinity", "NaN" and numbers beyond a double
// throw UnusableValue, which passes over the element rather than failing the document.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "xps/geometry/matrix.h"

class NumberScanner {
public:
    explicit NumberScanner(std::string_view text) : m_text(text) {}

    // The next character after white space, or 0 at the end.
    char Peek();
    void Skip() { ++m_at; }
    bool AtEnd() { return Peek() == 0; }
    bool AtNumber();

    double Number();
    Point Pair();
    // The "0" or "1" of an arc's flags, which may touch what follows: "A 1 1 0 10 5 5".
    bool Flag();
    // Between numbers: white space and at most one comma.
    void Separator();
    // Exactly one comma, with white space around it.
    void Comma();
    // Nothing but white space is left.
    void End();

private:
    void SkipSpace();

    std::string_view m_text;
    std::size_t m_at = 0;
};

// A whole attribute holding one number.
double ParseNumber(std::string_view text);
// A whole attribute holding "x,y".
Point ParsePoint(std::string_view text);
// A whole attribute holding a box, "x,y,width,height", its numbers as written.
std::array<double, 4> ParseBox(std::string_view text);
