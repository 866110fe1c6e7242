// The painter's state around elements: clips, opacity and opacity masks, the paint an element is drawn
// with, and what it covers and links to.
#include "xps/page/painter.h"

#include <algorithm>
#include <cmath>

#include "xps/geometry/path_writer.h"
#include "xps/geometry/pdf_space.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/page/document_resources.h"
#include "xps/page/element_values.h"
#include "xps/page/painter_support.h"
#include "xps/page/resources.h"
#include "xps/pdf/pdf_form.h"

bool IsOpaqueColor(const Paint& paint)
{
    return paint.kind == Paint::Kind::Color && !paint.colorSpace && paint.alpha >= 1;
}

bool IsPlain(const XmlElement& element)
{
    const std::string* opacity = element.Attribute("Opacity");
    if (element.Attribute("Clip") != nullptr || element.Attribute("OpacityMask") != nullptr ||
        (opacity != nullptr && ParseNumber(*opacity) < 1))
        return false;
    return std::none_of(element.children.begin(), element.children.end(), [&](const XmlElement& child) {
        return child.IsPropertyOf(element, "Clip") || child.IsPropertyOf(element, "OpacityMask");
    });
}

Painter::Painter(DocumentResources& document, ResourceScopes& scopes, const std::string& part, double width, double height)
    : m_document(document), m_scopes(scopes), m_part(part), m_brushes(*this),
      m_page(std::make_unique<Surface>(PdfRect{0, 0, width * kPointsPerUnit, height * kPointsPerUnit})),
      m_matrix{kPointsPerUnit, 0, 0, -kPointsPerUnit, 0, height * kPointsPerUnit}
{
    m_surfaces.push_back(m_page.get());
}

PdfWriter& Painter::Writer() { return m_document.Writer(); }

std::optional<std::string> Painter::Part(std::string_view uri) const
{
    const std::optional<PartReference> reference = m_scopes.Resolve(m_part, uri);
    return reference ? std::optional<std::string>(reference->part) : std::nullopt;
}

std::optional<PdfValue> Painter::ColorSpace(const std::string& profile, std::size_t components)
{
    return m_document.ColorSpace(profile, components);
}

const ImageInUse& Painter::Image(const std::string& part, const std::string& profile) { return m_document.Image(part, profile); }

void Painter::ApplyClip(const XmlElement& element, const Matrix& matrix)
{
    const std::optional<Geometry> clip = ReadGeometry(Property(element, "Clip", m_scopes), m_budget);
    if (!clip)
        return;
    const std::string path = FillPath(*clip, matrix);
    if (path.empty()) {
        // A clip of nothing shows nothing.
        Top().content.Rectangle({0, 0, 0, 0});
    } else {
        Top().content.AppendPath(path);
    }
    Top().content.Clip(Rule(clip->fillRule));
    Top().content.EndPath();
}

PdfGraphicsState Painter::Opacity(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    PdfGraphicsState state;
    const double opacity = std::clamp(NumberAttribute(element, "Opacity", 1), 0.0, 1.0);
    if (opacity < 1)
        state.fillAlpha = state.strokeAlpha = opacity;
    state.softMask = Mask(element, matrix, bounds);
    return state;
}

std::optional<PdfRef> Painter::Mask(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    const PropertyValue mask = Property(element, "OpacityMask", m_scopes);
    if (mask.text == nullptr && mask.element == nullptr)
        return std::nullopt;
    // What the mask brush paints, its alpha alone, is how much of the element shows.
    Surface surface(Top().box);
    const Paint paint = m_brushes.Make(mask, matrix, bounds, Top().box, m_depth + 1);
    if (paint.kind != Paint::Kind::Nothing) {
        m_surfaces.push_back(&surface);
        UsePaint(paint, false, {});
        surface.content.Rectangle(Top().box);
        surface.content.Fill(PdfFillRule::NonZero);
        m_surfaces.pop_back();
    }
    return WriteSoftMask(m_document.Writer(), PdfMaskSource::Alpha, PdfFormSetup(surface.box), surface.content,
                         surface.resources);
}

void Painter::Drew(const Rect& bounds, const Matrix& matrix)
{
    if (m_layers.empty())
        return;
    Layer& layer = m_layers.back();
    const std::optional<Matrix> fromSurface = layer.inner.Inverse();
    if (!fromSurface)
        return;
    const PdfRect box = ToPdf(MappedBox(matrix * *fromSurface, bounds));
    std::optional<Rect>& drawn = layer.drawn;
    drawn = drawn ? Rect{std::min(drawn->left, box.left), std::min(drawn->top, box.bottom), std::max(drawn->right, box.right),
                         std::max(drawn->bottom, box.top)}
                  : Rect{box.left, box.bottom, box.right, box.top};
}

void Painter::UsePaint(const Paint& paint, bool stroke, PdfGraphicsState state)
{
    PdfContent& content = Top().content;
    const double alpha = paint.alpha * (stroke ? state.strokeAlpha : state.fillAlpha).value_or(1);
    if (alpha < 1)
        (stroke ? state.strokeAlpha : state.fillAlpha) = alpha;
    if (!state.softMask)
        state.softMask = paint.softMask;
    if (state.fillAlpha || state.strokeAlpha || state.softMask)
        content.GraphicsState(Top().resources.ExtGState(WriteGraphicsState(m_document.Writer(), state)));
    if (paint.kind == Paint::Kind::Drawing)
        return;
    if (paint.kind == Paint::Kind::Pattern) {
        const std::string name = Top().resources.Pattern(paint.pattern);
        stroke ? content.StrokePattern(name) : content.FillPattern(name);
    } else if (paint.colorSpace) {
        const std::string name = Top().resources.ColorSpace(m_document.Writer().WriteShared(*paint.colorSpace));
        stroke ? content.StrokeColorSpace(name) : content.FillColorSpace(name);
        stroke ? content.StrokeColor(paint.components) : content.FillColor(paint.components);
    } else {
        stroke ? content.StrokeRgb(paint.red, paint.green, paint.blue) : content.FillRgb(paint.red, paint.green, paint.blue);
    }
}

void Painter::AddLink(const XmlElement& element, const Matrix& matrix, const Rect& bounds)
{
    const std::string* uri = element.Attribute("FixedPage.NavigateUri");
    if (uri == nullptr || m_visualDepth > 0)
        return;
    m_links.push_back({ToPdf(MappedBox(matrix, bounds)), *uri});
}

