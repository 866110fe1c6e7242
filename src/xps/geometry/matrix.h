// Points and the affine matrices of XPS's MatrixTransform, in its row-vector form: a point (x, y) maps to
// (a x + c y + e, b x + d y + f), which is also PDF's "cm".
#pragma once

#include <optional>
#include <string_view>

struct Point {
    double x = 0;
    double y = 0;
};

struct Matrix {
    // m11, m12, m21, m22, offsetX, offsetY, in the attribute's order.
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Point Apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // Nothing for a matrix that flattens the plane (or nearly so), which XPS allows and draws as nothing.
    std::optional<Matrix> Inverse() const;
};

// First this, then that: (p * first) * then, as nested XPS transforms and successive "cm" compose.
Matrix operator*(const Matrix& first, const Matrix& then);

// A RenderTransform or Transform attribute: six numbers separated by commas (and spaces). Fails with
// XPS_E_INVALID_MARKUP.
Matrix ParseMatrix(std::string_view text);
