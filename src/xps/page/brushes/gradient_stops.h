// A gradient's stops, and the colours PDF's shading function runs through: over as many periods as a
// repeating or reflecting gradient needs, in sRGB or interpolated in linear light, with the stops'
// opacity as a second gradient of greys for a soft mask.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "xps/markup/xml_element.h"
#include "xps/page/brushes/color.h"
#include "xps/pdf/pdf_gradient.h"

enum class Spread { Pad, Reflect, Repeat };

// The most stops a gradient may have, and the most periods a repeating one is drawn over: a hostile
// brush of millions of either would make a function no printer should be given.
constexpr std::size_t kMaxGradientStops = 4096;
constexpr double kMaxGradientPeriods = 32;

Spread ReadSpread(const std::string* text);

class GradientStops {
public:
    void Add(double offset, const XpsColor& color) { m_stops.emplace_back(offset, color); }
    void Sort();
    bool Empty() const { return m_stops.empty(); }
    const std::vector<std::pair<double, XpsColor>>& Stops() const { return m_stops; }
    // The colour at an offset: the nearest stop's beyond the first and last, else between its two.
    XpsColor At(double offset, bool linearLight = false) const;

private:
    std::vector<std::pair<double, XpsColor>> m_stops;
};

// The GradientStop elements of the brush's GradientStops property.
GradientStops ReadGradientStops(const XmlElement& brush, const std::string& property);

struct GradientSamples {
    PdfGradient color;
    PdfGradient alpha;
    bool translucent = false;
    // Where the periods drawn end: last, or fewer where there would be too many colours.
    double last = 1;
};

// The gradient over the periods [first, last) of its offsets, mapped onto 0 to 1.
GradientSamples SampleGradient(const GradientStops& stops, Spread spread, double first, double last, bool linearLight);
