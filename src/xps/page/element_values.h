// The values of an element's properties, given as an attribute, as a property element (Path.Data,
// Canvas.RenderTransform) or through "{StaticResource key}": geometries, transforms and numbers.
#pragma once

#include <optional>
#include <string_view>

#include "xps/geometry/geometry.h"
#include "xps/geometry/matrix.h"
#include "xps/markup/xml_element.h"

class ResourceScopes;

// Where an element's property is given: its attribute's text, or else the element its property element
// (or the resource the attribute names) holds. Both are empty where it has neither.
struct PropertyValue {
    const std::string* text = nullptr;
    const XmlElement* element = nullptr;
    // Whether the element is a resource that outlives the page's canvases (see ResourceScopes::Find), so
    // that what is made of it may be kept for the page by the element's address.
    bool lasting = false;
};
PropertyValue Property(const XmlElement& owner, std::string_view name, const ResourceScopes& scopes);

// A geometry: abbreviated syntax or a PathGeometry. Nothing where the property is not given.
std::optional<Geometry> ReadGeometry(const PropertyValue& value, SegmentBudget& budget);
// A MatrixTransform's matrix, identity where the property is not given.
Matrix ReadTransform(const PropertyValue& value);
// That matrix, then outer's; UnusableValue where the two overflow together.
Matrix ReadTransform(const PropertyValue& value, const Matrix& outer);

// A number attribute, or its default where it is absent. XPS_E_INVALID_MARKUP for one that is no number.
double NumberAttribute(const XmlElement& element, std::string_view name, double fallback);
