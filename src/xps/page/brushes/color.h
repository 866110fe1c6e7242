// XPS colours: "#RGB", "#ARGB", "#RRGGBB" and "#AARRGGBB" in sRGB, "sc#" in linear scRGB, and
// "ContextColor" in the colour space of an ICC profile in the package.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct XpsColor {
    double alpha = 1;
    // sRGB from 0 to 1: the colour itself, or for a ContextColor the stand-in where its profile fails.
    double red = 0;
    double green = 0;
    double blue = 0;
    // A ContextColor's profile, as its URI is written, and its components in that profile's space.
    std::string profile;
    std::vector<double> components;
};

// Fails with XPS_E_INVALID_MARKUP for anything else.
XpsColor ParseColor(std::string_view text);

// A linear scRGB component as sRGB, clamped to [0, 1].
double SrgbFromLinear(double linear);
