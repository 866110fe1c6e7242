// Small pieces the brushes share: boxes as brush attributes give them, and the spaces brushes are
// placed in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "xps/geometry/bounds.h"
#include "xps/geometry/matrix.h"
#include "xps/geometry/pdf_space.h"
#include "xps/markup/xml_element.h"
#include "xps/pdf/pdf_value.h"

class ResourceScopes;

// The unit square onto box.
inline Matrix BoxMapping(const Rect& box) { return {box.right - box.left, 0, 0, box.bottom - box.top, box.left, box.top}; }

inline double Width(const Rect& r) { return r.right - r.left; }
inline double Height(const Rect& r) { return r.bottom - r.top; }

// Whether the brush's units attribute maps it to the element's bounds.
bool IsRelative(const XmlElement& brush, std::string_view units);

// "x,y,width,height".
Rect ParseBox(const std::string* text);

// The surface's area in the brush's space, for how far a brush must reach; nothing where the brush's
// space is flattened.
std::optional<Rect> AreaIn(const Matrix& brushToSurface, const PdfRect& area);

Matrix BrushTransform(const XmlElement& brush, const ResourceScopes& scopes);
