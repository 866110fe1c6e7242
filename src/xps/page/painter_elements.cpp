// The painter's walk over elements: canvases opened and closed around their children, visuals drawn
// into surfaces of their own, and each element passed over whole where one of its values is unusable.
#include "xps/page/painter.h"

#include <algorithm>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/page/document_resources.h"
#include "xps/page/element_values.h"
#include "xps/page/resources.h"
#include "xps/pdf/pdf_form.h"

Painter::Undo Painter::Here() const
{
    Undo undo;
    undo.content = m_surfaces.back()->content.Here();
    undo.resources = m_surfaces.back()->resources.Here();
    undo.surfaces = m_surfaces.size();
    undo.groups = m_groups.size();
    undo.layers = m_layers.size();
    undo.scopes = m_scopes.Depth();
    undo.links = m_links.size();
    undo.matrix = m_matrix;
    undo.depth = m_depth;
    undo.visualDepth = m_visualDepth;
    if (!m_layers.empty())
        undo.drawn = m_layers.back().drawn;
    return undo;
}

void Painter::Rewind(const Undo& undo)
{
    m_surfaces.resize(undo.surfaces);
    m_groups.resize(undo.groups);
    m_layers.resize(undo.layers);
    if (!m_layers.empty())
        m_layers.back().drawn = undo.drawn;
    while (m_scopes.Depth() > undo.scopes)
        m_scopes.Pop();
    m_links.resize(undo.links);
    m_matrix = undo.matrix;
    m_depth = undo.depth;
    m_visualDepth = undo.visualDepth;
    // What was written meanwhile may be anything up to the throw: a q unclosed, half a path, a font
    // named that will show no glyph.
    Top().content.Rewind(undo.content);
    Top().resources.Rewind(undo.resources);
}

void Painter::BeginCanvas(const XmlElement& canvas)
{
    if (m_passed > 0) {
        ++m_passed;
        return;
    }
    const Undo undo = Here();
    try {
        OpenCanvas(canvas, undo);
    } catch (const UnusableValue&) {
        Rewind(undo);
        m_passed = 1;
    }
}

void Painter::EndCanvas()
{
    if (m_passed > 0) {
        --m_passed;
        return;
    }
    const Undo undo = m_layers.back().undo;
    try {
        CloseCanvas();
    } catch (const UnusableValue&) {
        Rewind(undo);
    }
}

void Painter::Draw(XmlElement element)
{
    if (m_passed == 0)
        PaintElement(element);
}

void Painter::OpenCanvas(const XmlElement& canvas, const Undo& undo)
{
    const XmlElement* resources = nullptr;
    for (const XmlElement& child : canvas.children) {
        if (child.name == canvas.name + ".Resources")
            resources = &child;
    }
    m_scopes.Push(resources, m_part);
    Layer layer;
    layer.undo = undo;
    layer.canvas = &canvas;
    layer.outer = m_matrix;
    m_matrix = ReadTransform(Property(canvas, "RenderTransform", m_scopes), m_matrix);
    layer.inner = m_matrix;
    Top().content.Save();
    ApplyClip(canvas, m_matrix);
    const double opacity = std::clamp(NumberAttribute(canvas, "Opacity", 1), 0.0, 1.0);
    const PropertyValue mask = Property(canvas, "OpacityMask", m_scopes);
    if (opacity < 1)
        layer.state.fillAlpha = layer.state.strokeAlpha = opacity;
    // The canvas is drawn as a group; its mask, placed by what the group covers, once that is known.
    if (opacity < 1 || mask.text != nullptr || mask.element != nullptr) {
        layer.group = true;
        m_groups.push_back(std::make_unique<Surface>(Top().box));
        m_surfaces.push_back(m_groups.back().get());
    }
    m_layers.push_back(layer);
}

void Painter::CloseCanvas()
{
    Layer layer = m_layers.back();
    m_layers.pop_back();
    if (layer.drawn)
        Drew(*layer.drawn, layer.inner);
    if (layer.group) {
        std::unique_ptr<Surface> group = std::move(m_groups.back());
        m_groups.pop_back();
        m_surfaces.pop_back();
        if (layer.drawn)
            layer.state.softMask = Mask(*layer.canvas, layer.inner, *layer.drawn);
        PdfFormSetup setup(group->box);
        setup.group = true;
        const PdfRef form = WriteForm(m_document.Writer(), setup, group->content, group->resources);
        if (layer.state.fillAlpha || layer.state.softMask)
            Top().content.GraphicsState(Top().resources.ExtGState(WriteGraphicsState(m_document.Writer(), layer.state)));
        Top().content.Draw(Top().resources.XObject(form));
    }
    Top().content.Restore();
    m_matrix = layer.outer;
    m_scopes.Pop();
}

void Painter::PaintElement(const XmlElement& element)
{
    const Undo undo = Here();
    try {
        if (element.name == "Path") {
            PaintPath(element);
        } else if (element.name == "Glyphs") {
            PaintGlyphs(element);
        } else if (element.name == "Canvas") {
            OpenCanvas(element, undo);
            for (const XmlElement& child : element.children) {
                if (!child.IsPropertyOf(element))
                    PaintElement(child);
            }
            CloseCanvas();
        } else {
            ThrowDocument(XPS_E_INVALID_MARKUP);
        }
    } catch (const UnusableValue&) {
        Rewind(undo);
    }
}

void Painter::PaintVisual(const XmlElement& visual, Surface& surface, int depth)
{
    const Matrix matrix = m_matrix;
    const int saved = m_depth;
    // The visual's space is its own: what it covers counts towards no canvas of the page.
    std::vector<Layer> layers;
    std::swap(layers, m_layers);
    m_surfaces.push_back(&surface);
    m_matrix = {};
    m_depth = depth;
    ++m_visualDepth;
    PaintElement(visual);
    --m_visualDepth;
    m_depth = saved;
    m_matrix = matrix;
    m_surfaces.pop_back();
    std::swap(layers, m_layers);
}
