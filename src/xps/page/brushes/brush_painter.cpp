#include "xps/page/brushes/brush_painter.h"

#include <algorithm>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/pdf_space.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/page/brushes/brush_support.h"
#include "xps/page/brushes/color.h"

bool IsRelative(const XmlElement& brush, std::string_view units)
{
    const std::string* value = brush.Attribute(units);
    return value != nullptr && *value == "RelativeToBoundingBox";
}

Rect ParseBox(const std::string* text)
{
    if (text == nullptr)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    const std::array<double, 4> values = ::ParseBox(std::string_view(*text));
    return {values[0], values[1], values[0] + values[2], values[1] + values[3]};
}

std::optional<Rect> AreaIn(const Matrix& brushToSurface, const PdfRect& area)
{
    const std::optional<Matrix> inverse = brushToSurface.Inverse();
    if (!inverse)
        return std::nullopt;
    return MappedBox(*inverse, Rect{area.left, area.bottom, area.right, area.top});
}

Matrix BrushTransform(const XmlElement& brush, const ResourceScopes& scopes)
{
    return ReadTransform(Property(brush, "Transform", scopes));
}

Paint BrushPainter::Make(const PropertyValue& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area, int depth,
                         bool drawing)
{
    if (brush.text != nullptr)
        return ColorPaint(*brush.text);
    if (brush.element == nullptr)
        return {};
    const XmlElement& element = *brush.element;
    Paint paint;
    if (element.name == "SolidColorBrush")
        paint = Solid(element);
    else if (element.name == "LinearGradientBrush" || element.name == "RadialGradientBrush")
        paint = Gradient(element, toSurface, bounds, area);
    else if (element.name == "ImageBrush" || element.name == "VisualBrush")
        paint = depth < kMaxBrushDepth ? Tiled(element, brush.lasting, toSurface, bounds, area, depth, drawing) : Paint{};
    else
        ThrowDocument(XPS_E_INVALID_MARKUP);
    paint.alpha *= std::clamp(NumberAttribute(element, "Opacity", 1), 0.0, 1.0);
    if (paint.alpha <= 0)
        paint.kind = Paint::Kind::Nothing;
    return paint;
}

Paint BrushPainter::ColorPaint(const std::string& text)
{
    const XpsColor color = ParseColor(text);
    Paint paint;
    paint.kind = Paint::Kind::Color;
    paint.red = color.red;
    paint.green = color.green;
    paint.blue = color.blue;
    paint.alpha = color.alpha;
    if (!color.profile.empty()) {
        if (const std::optional<std::string> profile = m_source.Part(color.profile)) {
            paint.colorSpace = m_source.ColorSpace(*profile, color.components.size());
            if (paint.colorSpace)
                paint.components = color.components;
        }
    }
    if (paint.alpha <= 0)
        paint.kind = Paint::Kind::Nothing;
    return paint;
}

Paint BrushPainter::Solid(const XmlElement& brush)
{
    const std::string* color = brush.Attribute("Color");
    if (color == nullptr)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return ColorPaint(*color);
}

