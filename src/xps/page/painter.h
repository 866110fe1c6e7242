// Draws a page's elements into PDF: Canvas, Path and Glyphs, with their transforms, clips, opacity and
// opacity masks, filled and stroked by brushes. A Canvas may stream (BeginCanvas, its children, then
// EndCanvas) or come whole, as in a visual brush. An element with a value nothing can be drawn with (see
// UnusableValue) is passed over, with what it wrote undone, and the page goes on.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xps/geometry/geometry_sink.h"
#include "xps/page/brushes/brush_painter.h"
#include "xps/page/page_reader.h"
#include "xps/page/surface.h"
#include "xps/pdf/pdf_graphics_state.h"

class DocumentResources;
class ResourceScopes;

// A link drawn on the page: its area in the page's PDF space, and the URI it opens.
struct PageLink {
    PdfRect area;
    std::string uri;
};

class Painter final : public PageDrawer, public BrushSource {
public:
    // The page is width by height XPS units; its surface's space is PDF's, in points with y up.
    Painter(DocumentResources& document, ResourceScopes& scopes, const std::string& part, double width, double height);

    Surface& Page() { return *m_page; }
    std::vector<PageLink>& Links() { return m_links; }

    void BeginCanvas(const XmlElement& canvas) override;
    void EndCanvas() override;
    void Draw(XmlElement element) override;
    // A Path, a Glyphs, or a whole Canvas.
    void PaintElement(const XmlElement& element);

    void PaintVisual(const XmlElement& visual, Surface& surface, int depth) override;
    PdfWriter& Writer() override;
    const ResourceScopes& Scopes() const override { return m_scopes; }
    std::optional<std::string> Part(std::string_view uri) const override;
    std::optional<PdfValue> ColorSpace(const std::string& profile, std::size_t components) override;
    const ImageInUse& Image(const std::string& part, const std::string& profile) override;

private:
    // What painting an element may change, to go back to where one of its values proves unusable.
    struct Undo {
        PdfContent::Mark content;
        PdfResources::Mark resources;
        std::size_t surfaces = 0;
        std::size_t groups = 0;
        std::size_t layers = 0;
        std::size_t scopes = 0;
        std::size_t links = 0;
        Matrix matrix;
        int depth = 0;
        int visualDepth = 0;
        // What the canvas around the element had drawn before it.
        std::optional<Rect> drawn;
    };
    struct Layer {
        // Where the canvas began, to go back to if it cannot be closed.
        Undo undo;
        const XmlElement* canvas = nullptr;
        // The matrices outside and inside the canvas.
        Matrix outer;
        Matrix inner;
        bool group = false;
        PdfGraphicsState state;
        // What its content covers in the canvas's own space, for a mask mapped to its bounds.
        std::optional<Rect> drawn;
    };

    Surface& Top() { return *m_surfaces.back(); }
    Undo Here() const;
    void Rewind(const Undo& undo);
    // A canvas's transform, clip, opacity and group before its children, and after them its mask and
    // the group drawn; undo is where it began.
    void OpenCanvas(const XmlElement& canvas, const Undo& undo);
    void CloseCanvas();
    // What a stroke draws with.
    struct Pen {
        Paint paint;
        PdfGraphicsState state;
        double thickness = 1;
    };
    // A Glyphs element's run, laid out in its font.
    struct GlyphRunIn;

    void PaintPath(const XmlElement& path);
    // Inside the path's own q/Q, after its clip.
    void FillShape(const Geometry& geometry, const Matrix& matrix, const Paint& paint, const PdfGraphicsState& state);
    void StrokeShape(const XmlElement& path, const Geometry& geometry, const Matrix& matrix, const Pen& pen);
    void PaintGlyphs(const XmlElement& glyphs);
    // Nothing where the run shows no glyph.
    std::optional<GlyphRunIn> LayOut(const XmlElement& glyphs);
    // Clips to the element's Clip, if any, and sets its opacity and opacity mask for what follows; the
    // caller has saved the graphics state.
    void ApplyClip(const XmlElement& element, const Matrix& matrix);
    PdfGraphicsState Opacity(const XmlElement& element, const Matrix& matrix, const Rect& bounds);
    // The element's OpacityMask as a soft mask, if it has one.
    std::optional<PdfRef> Mask(const XmlElement& element, const Matrix& matrix, const Rect& bounds);
    // Counts what an element covered, its bounds in a space mapped to the surface's by matrix, towards
    // its canvas's bounds.
    void Drew(const Rect& bounds, const Matrix& matrix);
    // Sets the paint for filling (or stroking) and the opacity it brings.
    void UsePaint(const Paint& paint, bool stroke, PdfGraphicsState state);
    void AddLink(const XmlElement& element, const Matrix& matrix, const Rect& bounds);

    DocumentResources& m_document;
    ResourceScopes& m_scopes;
    // A copy: a painter may outlive the string it was given.
    const std::string m_part;
    SegmentBudget m_budget;
    BrushPainter m_brushes;

    std::unique_ptr<Surface> m_page;
    // The surfaces drawn into, the page first; groups and visuals own theirs.
    std::vector<Surface*> m_surfaces;
    std::vector<std::unique_ptr<Surface>> m_groups;
    std::vector<Layer> m_layers;
    // From the element's space to the top surface's.
    Matrix m_matrix;
    int m_depth = 0;
    // Whether the top surface's space is the page's, where links can be placed.
    int m_visualDepth = 0;
    // The streamed canvases being passed over: the one with an unusable value, and those inside it.
    int m_passed = 0;
    std::vector<PageLink> m_links;
    // The path operators of the plain path being drawn, kept for the next: pages hold thousands.
    std::string m_outline;
};
