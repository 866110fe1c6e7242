// Small pieces the painter's files share: how XPS values read as PDF operands, and whether an element
// can be drawn without a state of its own.
#pragma once

#include <string>
#include <string_view>

#include "xps/geometry/bounds.h"
#include "xps/geometry/geometry.h"
#include "xps/geometry/matrix.h"
#include "xps/markup/xml_element.h"
#include "xps/page/brushes/brush_support.h"
#include "xps/page/brushes/paint.h"
#include "xps/pdf/pdf_content.h"

inline PdfFillRule Rule(FillRule rule) { return rule == FillRule::NonZero ? PdfFillRule::NonZero : PdfFillRule::EvenOdd; }

inline bool Is(const std::string* value, std::string_view expected) { return value != nullptr && *value == expected; }

bool IsOpaqueColor(const Paint& paint);

// Whether an element draws with no clip, opacity or mask of its own.
bool IsPlain(const XmlElement& element);
