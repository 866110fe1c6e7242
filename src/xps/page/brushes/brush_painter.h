// Brushes placed on an element and turned into paint: SolidColorBrush, LinearGradientBrush and
// RadialGradientBrush as shading patterns, ImageBrush and VisualBrush as tiling patterns of a cell drawn
// once per document or page.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "xps/geometry/bounds.h"
#include "xps/page/brush_source.h"
#include "xps/page/brushes/paint.h"

struct GradientSamples;

// Brushes nested in visuals of brushes stop here.
constexpr int kMaxBrushDepth = 8;
// A tiling brush whose cells would number more than this over the area it fills is refused, so that no
// printer is handed a pattern to repeat a billion times.
constexpr double kMaxTiles = 4e6;

class BrushPainter {
public:
    explicit BrushPainter(BrushSource& source) : m_source(source) {}

    // The paint of a brush given as a property: a colour's text, or a brush element. toSurface maps the
    // element's space to the surface's; bounds is the element's box in its own space, for brushes mapped
    // relative to it; area is what the surface may show, which a tiled or repeating brush must cover.
    // Where drawing is allowed, an untiled image or visual comes as a Drawing rather than a pattern.
    Paint Make(const PropertyValue& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area, int depth,
               bool drawing = false);

private:
    Paint Solid(const XmlElement& brush);
    Paint Gradient(const XmlElement& brush, const Matrix& toSurface, const Rect& bounds, const PdfRect& area);
    // A gradient placed on an element, and the periods of it the area needs.
    struct GradientRun;
    // The pattern of the gradient's colours, or of its alpha as grey for a soft mask, covering area.
    PdfRef GradientPattern(const GradientRun& run, const GradientSamples& samples, const PdfRect& area, bool alpha);
    // lasting: whether the brush lasts as long as the page (PropertyValue::lasting).
    Paint Tiled(const XmlElement& brush, bool lasting, const Matrix& toSurface, const Rect& bounds, const PdfRect& area,
                int depth, bool drawing);
    Paint ColorPaint(const std::string& text);
    // The cell's content: the image or the visual, mapped from its viewbox onto the viewport.
    // passing holds the form of a visual that does not last, drawn once for the copies of one cell.
    void DrawCell(const XmlElement& brush, bool lasting, Surface& cell, const Rect& viewbox, const Rect& viewport,
                  int depth, std::optional<PdfRef>& passing);
    // The image, its unit square mapped by toViewport.
    void DrawImage(const XmlElement& brush, Surface& cell, const Matrix& toViewport);

    BrushSource& m_source;
    // Each lasting visual drawn once for the page, however many elements its brush fills; by the visual
    // and the viewbox that cuts it. One inside a drawn element goes with the element, and another may
    // take its place in memory.
    std::map<std::tuple<const XmlElement*, double, double, double, double>, PdfRef> m_visualForms;
};
