// Composing, inverting and reading matrices.
#include "xps/geometry/matrix.h"

#include <algorithm>
#include <cmath>

#include "xps/geometry/xps_numbers.h"

Matrix operator*(const Matrix& first, const Matrix& then)
{
    return {first.a * then.a + first.b * then.c,
            first.a * then.b + first.b * then.d,
            first.c * then.a + first.d * then.c,
            first.c * then.b + first.d * then.d,
            first.e * then.a + first.f * then.c + then.e,
            first.e * then.b + first.f * then.d + then.f};
}

std::optional<Matrix> Matrix::Inverse() const
{
    const double det = a * d - b * c;
    // A determinant lost to cancellation is as singular as zero: its inverse would be noise.
    const double scale = std::max(std::abs(a * d), std::abs(b * c));
    if (!(std::abs(det) > 1e-12 * scale) || !std::isfinite(det))
        return std::nullopt;
    const Matrix inverse{d / det, -b / det, -c / det, a / det, (c * f - d * e) / det, (b * e - a * f) / det};
    for (double v : {inverse.a, inverse.b, inverse.c, inverse.d, inverse.e, inverse.f})
        if (!std::isfinite(v))
            return std::nullopt;
    return inverse;
}

Matrix ParseMatrix(std::string_view text)
{
    NumberScanner scanner(text);
    Matrix m;
    for (double* v : {&m.a, &m.b, &m.c, &m.d, &m.e, &m.f}) {
        if (v != &m.a)
            scanner.Comma();
        *v = scanner.Number();
    }
    scanner.End();
    return m;
}
