#include "xps/page/brushes/color.h"

#include <algorithm>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/hex_digit.h"
#include "xps/markup/xml_space.h"

namespace {

// ICC profiles hold at most 15 channels.
constexpr std::size_t kMaxComponents = 15;

int Hex(char c)
{
    const int value = HexDigit(c);
    if (value < 0)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return value;
}

double Clamp(double value) { return std::clamp(value, 0.0, 1.0); }

std::vector<double> Numbers(std::string_view text)
{
    std::vector<double> numbers;
    NumberScanner scanner(text);
    while (!scanner.AtEnd()) {
        if (!numbers.empty())
            scanner.Comma();
        numbers.push_back(scanner.Number());
        if (numbers.size() > kMaxComponents + 1)
            ThrowDocument(XPS_E_INVALID_MARKUP);
    }
    return numbers;
}

// What a profile's components look like in sRGB when the profile cannot be used: grey, RGB or CMYK by
// their count.
void StandIn(XpsColor& color)
{
    const std::vector<double>& c = color.components;
    if (c.size() == 1) {
        color.red = color.green = color.blue = Clamp(c[0]);
    } else if (c.size() == 3) {
        color.red = Clamp(c[0]);
        color.green = Clamp(c[1]);
        color.blue = Clamp(c[2]);
    } else if (c.size() == 4) {
        const double black = Clamp(c[3]);
        color.red = (1 - Clamp(c[0])) * (1 - black);
        color.green = (1 - Clamp(c[1])) * (1 - black);
        color.blue = (1 - Clamp(c[2])) * (1 - black);
    }
}

}  // namespace

double SrgbFromLinear(double linear)
{
    linear = Clamp(linear);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

XpsColor ParseColor(std::string_view text)
{
    text = TrimXmlSpace(text);
    XpsColor color;
    if (!text.empty() && text[0] == '#') {
        const std::string_view digits = text.substr(1);
        const std::size_t size = digits.size();
        if (size != 3 && size != 4 && size != 6 && size != 8)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        const bool shortForm = size <= 4;
        const std::size_t width = shortForm ? 1 : 2;
        double channels[4] = {1, 0, 0, 0};
        const std::size_t count = size / width;
        for (std::size_t i = 0; i < count; ++i) {
            const int value = shortForm ? Hex(digits[i]) * 17 : Hex(digits[2 * i]) * 16 + Hex(digits[2 * i + 1]);
            channels[4 - count + i] = value / 255.0;
        }
        color.alpha = channels[0];
        color.red = channels[1];
        color.green = channels[2];
        color.blue = channels[3];
        return color;
    }
    if (text.substr(0, 3) == "sc#") {
        const std::vector<double> values = Numbers(text.substr(3));
        if (values.size() != 3 && values.size() != 4)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        const std::size_t at = values.size() - 3;
        color.alpha = values.size() == 4 ? Clamp(values[0]) : 1;
        color.red = SrgbFromLinear(values[at]);
        color.green = SrgbFromLinear(values[at + 1]);
        color.blue = SrgbFromLinear(values[at + 2]);
        return color;
    }
    if (text.substr(0, 12) == "ContextColor") {
        const std::string_view rest = TrimXmlSpace(text.substr(12));
        const std::size_t space = rest.find_first_of(kXmlSpace);
        if (space == std::string_view::npos)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        color.profile = std::string(rest.substr(0, space));
        std::vector<double> values = Numbers(rest.substr(space));
        if (values.size() < 2)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        color.alpha = Clamp(values[0]);
        color.components.assign(values.begin() + 1, values.end());
        for (double& component : color.components)
            component = Clamp(component);
        StandIn(color);
        return color;
    }
    ThrowDocument(XPS_E_INVALID_MARKUP);
}
