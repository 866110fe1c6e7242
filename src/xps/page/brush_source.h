// What brushes take from the page they are placed on, and all they take from page/: the values of
// elements' properties, the surfaces drawn into, and the document's parts as PDF objects.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "xps/page/element_values.h"
#include "xps/page/surface.h"
#include "xps/pdf/pdf_value.h"

class PdfWriter;

struct ImageInUse {
    PdfRef object;
    // The image's size in XPS units (1/96 inch), from its pixels and resolution.
    double width = 0;
    double height = 0;
};

class BrushSource {
public:
    virtual PdfWriter& Writer() = 0;
    // The scopes brushes' properties are found through.
    virtual const ResourceScopes& Scopes() const = 0;
    // The part a URI on the page names, or nothing where it names none.
    virtual std::optional<std::string> Part(std::string_view uri) const = 0;
    // See DocumentResources::ColorSpace and Image.
    virtual std::optional<PdfValue> ColorSpace(const std::string& profile, std::size_t components) = 0;
    virtual const ImageInUse& Image(const std::string& part, const std::string& profile) = 0;
    // Draws a VisualBrush's visual into a surface of its own.
    virtual void PaintVisual(const XmlElement& visual, Surface& surface, int depth) = 0;

protected:
    ~BrushSource() = default;
};
