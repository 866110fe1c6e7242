#include "xps/page/brushes/gradient_stops.h"

#include <algorithm>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/xps_numbers.h"

namespace {

// What a shading function may run through at most, periods and all.
constexpr std::size_t kMaxSamples = 8192;
// Colours interpolated in linear light are written as this many straight pieces between stops.
constexpr int kLinearSteps = 8;

double Linear(double srgb) { return srgb <= 0.04045 ? srgb / 12.92 : std::pow((srgb + 0.055) / 1.055, 2.4); }

XpsColor Mix(const XpsColor& a, const XpsColor& b, double t, bool linearLight)
{
    const auto mix = [&](double x, double y) {
        return linearLight ? SrgbFromLinear(Linear(x) + (Linear(y) - Linear(x)) * t) : x + (y - x) * t;
    };
    XpsColor color;
    color.red = mix(a.red, b.red);
    color.green = mix(a.green, b.green);
    color.blue = mix(a.blue, b.blue);
    color.alpha = a.alpha + (b.alpha - a.alpha) * t;
    return color;
}

struct Sample {
    double offset;
    XpsColor color;
};

}  // namespace

Spread ReadSpread(const std::string* text)
{
    if (text == nullptr || *text == "Pad")
        return Spread::Pad;
    if (*text == "Reflect")
        return Spread::Reflect;
    if (*text == "Repeat")
        return Spread::Repeat;
    ThrowDocument(XPS_E_INVALID_MARKUP);
}

void GradientStops::Sort()
{
    std::stable_sort(m_stops.begin(), m_stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

XpsColor GradientStops::At(double offset, bool linearLight) const
{
    if (offset <= m_stops.front().first)
        return m_stops.front().second;
    if (offset >= m_stops.back().first)
        return m_stops.back().second;
    for (std::size_t i = 1; i < m_stops.size(); ++i) {
        const auto& [end, endColor] = m_stops[i];
        if (offset < end) {
            const auto& [start, startColor] = m_stops[i - 1];
            return Mix(startColor, endColor, (offset - start) / (end - start), linearLight);
        }
    }
    return m_stops.back().second;
}

GradientStops ReadGradientStops(const XmlElement& brush, const std::string& property)
{
    GradientStops stops;
    for (const XmlElement& child : brush.children) {
        if (child.name != property)
            continue;
        for (const XmlElement& stop : child.children) {
            const std::string* color = stop.Attribute("Color");
            const std::string* offset = stop.Attribute("Offset");
            if (stop.name != "GradientStop" || color == nullptr || offset == nullptr)
                ThrowDocument(XPS_E_INVALID_MARKUP);
            if (stops.Stops().size() == kMaxGradientStops)
                ThrowDocument(XPS_E_INVALID_MARKUP);
            stops.Add(ParseNumber(*offset), ParseColor(*color));
        }
    }
    stops.Sort();
    return stops;
}

GradientSamples SampleGradient(const GradientStops& stops, Spread spread, double first, double last, bool linearLight)
{
    // One period: the colours at 0 and 1 and at every stop between, a hard stop keeping both its colours.
    std::vector<Sample> period{{0, stops.At(0, linearLight)}};
    for (const auto& [offset, color] : stops.Stops()) {
        if (offset > 0 && offset < 1)
            period.push_back({offset, color});
    }
    period.push_back({1, stops.At(1, linearLight)});
    if (linearLight) {
        std::vector<Sample> smooth;
        for (std::size_t i = 0; i + 1 < period.size(); ++i) {
            smooth.push_back(period[i]);
            const double span = period[i + 1].offset - period[i].offset;
            for (int step = 1; span > 0 && step < kLinearSteps; ++step) {
                const double t = static_cast<double>(step) / kLinearSteps;
                smooth.push_back({period[i].offset + span * t, Mix(period[i].color, period[i + 1].color, t, true)});
            }
        }
        smooth.push_back(period.back());
        period = std::move(smooth);
    }

    const double most = std::max(1.0, std::floor(static_cast<double>(kMaxSamples) / period.size()));
    last = std::min(last, first + most);
    const double periods = std::max(1.0, last - first);
    GradientSamples samples;
    samples.last = first + periods;
    samples.alpha.colorSpace = PdfValue::Name("DeviceGray");
    double previous = 0;
    for (double k = first; k < first + periods; ++k) {
        const bool reflected = spread == Spread::Reflect && std::fmod(std::fabs(k), 2) == 1;
        for (std::size_t i = 0; i < period.size(); ++i) {
            const Sample& sample = reflected ? period[period.size() - 1 - i] : period[i];
            const double local = reflected ? 1 - sample.offset : sample.offset;
            const double offset = std::clamp(std::max(previous, (k - first + local) / periods), 0.0, 1.0);
            previous = offset;
            samples.color.stops.push_back({offset, {sample.color.red, sample.color.green, sample.color.blue}});
            samples.alpha.stops.push_back({offset, {sample.color.alpha}});
            samples.translucent = samples.translucent || sample.color.alpha < 1;
        }
    }
    return samples;
}
