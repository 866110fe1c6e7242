#include "xps/page/element_values.h"

#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/geometry_builder.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/page/resources.h"

namespace {

Attribute Optional(const XmlElement& element, std::string_view name)
{
    const std::string* value = element.Attribute(name);
    return value ? Attribute(*value) : std::nullopt;
}

void BuildFigure(GeometryBuilder& builder, const PackedElement& figure)
{
    builder.BeginFigure(figure.Attribute("StartPoint"), figure.Attribute("IsClosed"), figure.Attribute("IsFilled"));
    PackedElement segment;
    for (PackedElements segments(figure.packed); segments.Next(segment);) {
        const std::string_view kind = segment.name;
        const Attribute stroked = segment.Attribute("IsStroked");
        if (kind == "ArcSegment")
            builder.ArcSegment(segment.Attribute("Point"), segment.Attribute("Size"), segment.Attribute("RotationAngle"),
                               segment.Attribute("IsLargeArc"), segment.Attribute("SweepDirection"), stroked);
        else if (kind == "PolyLineSegment")
            builder.PolyLineSegment(segment.Attribute("Points"), stroked);
        else if (kind == "PolyBezierSegment")
            builder.PolyBezierSegment(segment.Attribute("Points"), stroked);
        else if (kind == "PolyQuadraticBezierSegment")
            builder.PolyQuadraticBezierSegment(segment.Attribute("Points"), stroked);
        else
            ThrowDocument(XPS_E_INVALID_MARKUP);
    }
    builder.EndFigure();
}

Geometry ReadPathGeometry(const XmlElement& element, SegmentBudget& budget)
{
    if (element.name != "PathGeometry")
        ThrowDocument(XPS_E_INVALID_MARKUP);
    Geometry geometry;
    // The transform may come as an attribute or as a property element, and must be known first.
    const std::string* transformText = element.Attribute("Transform");
    const XmlElement* transformElement = nullptr;
    for (const XmlElement& child : element.children) {
        if (child.name == "PathGeometry.Transform" && !child.children.empty())
            transformElement = &child.children.front();
    }
    Attribute transformAttribute;
    if (transformText && !StaticResourceKey(*transformText))
        transformAttribute = *transformText;
    GeometryBuilder builder(geometry, budget, Optional(element, "FillRule"), transformAttribute);
    if (transformElement != nullptr)
        builder.Transform(transformElement->Attribute("Matrix") ? *transformElement->Attribute("Matrix") : "1,0,0,1,0,0");
    if (const std::string* figures = element.Attribute("Figures"))
        builder.Figures(*figures);
    PackedElement figure;
    for (PackedElements figures(element.packed); figures.Next(figure);)
        BuildFigure(builder, figure);
    geometry.fillRule = builder.Rule();
    return geometry;
}

}  // namespace

PropertyValue Property(const XmlElement& owner, std::string_view name, const ResourceScopes& scopes)
{
    PropertyValue value;
    if (const std::string* text = owner.Attribute(name)) {
        if (const std::optional<std::string_view> key = StaticResourceKey(*text)) {
            const ResourceScopes::Resource resource = scopes.Find(*key);
            value.element = resource.element;
            value.lasting = resource.lasting;
        } else {
            value.text = text;
        }
        return value;
    }
    for (const XmlElement& child : owner.children) {
        if (child.IsPropertyOf(owner, name)) {
            if (child.children.size() != 1)
                ThrowDocument(XPS_E_INVALID_MARKUP);
            value.element = &child.children.front();
        }
    }
    return value;
}

std::optional<Geometry> ReadGeometry(const PropertyValue& value, SegmentBudget& budget)
{
    if (value.text != nullptr)
        return ::ReadGeometry(*value.text, budget);
    if (value.element != nullptr)
        return ReadPathGeometry(*value.element, budget);
    return std::nullopt;
}

Matrix ReadTransform(const PropertyValue& value)
{
    if (value.text != nullptr)
        return ParseMatrix(*value.text);
    if (value.element == nullptr)
        return {};
    if (value.element->name != "MatrixTransform")
        ThrowDocument(XPS_E_INVALID_MARKUP);
    const std::string* matrix = value.element->Attribute("Matrix");
    return matrix ? ParseMatrix(*matrix) : Matrix{};
}

Matrix ReadTransform(const PropertyValue& value, const Matrix& outer)
{
    const Matrix placed = ReadTransform(value) * outer;
    for (double v : {placed.a, placed.b, placed.c, placed.d, placed.e, placed.f}) {
        if (!std::isfinite(v))
            ThrowUnusable(XPS_E_INVALID_MARKUP);
    }
    return placed;
}

double NumberAttribute(const XmlElement& element, std::string_view name, double fallback)
{
    const std::string* value = element.Attribute(name);
    return value ? ParseNumber(*value) : fallback;
}
