#include "xps/page/page_reader.h"

#include <charconv>
#include <cmath>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/xps_numbers.h"
#include "xps/markup/xml_space.h"

namespace {

// PDF's largest page, 14400 points, in XPS units.
constexpr double kMaxPageSide = 14400.0 * 96.0 / 72.0;

std::optional<std::array<double, 4>> ReadBox(const std::vector<MarkupAttribute>& attributes, std::string_view name)
{
    const std::optional<std::string_view> text = FindAttribute(attributes, name);
    if (!text)
        return std::nullopt;
    const std::array<double, 4> box = ParseBox(*text);
    if (!(box[2] >= 0 && box[3] >= 0))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return box;
}

// A side that is no number at all is broken markup; one too large for any number, a page too large.
double ReadSide(std::string_view text)
{
    text = TrimXmlSpace(text);
    if (text.empty())
        ThrowDocument(XPS_E_INVALID_MARKUP);
    double side = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, side);
    if (stop != end || std::isnan(side) || (error != std::errc() && error != std::errc::result_out_of_range))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    if (error == std::errc::result_out_of_range || std::isinf(side))
        ThrowDocument(XPS_E_INVALID_PAGE_SIZE);
    return side;
}

}  // namespace

PageSize ReadPageSize(const std::vector<MarkupAttribute>& attributes)
{
    const std::optional<std::string_view> width = FindAttribute(attributes, "Width");
    const std::optional<std::string_view> height = FindAttribute(attributes, "Height");
    if (!width || !height)
        ThrowDocument(XPS_E_INVALID_PAGE_SIZE);
    PageSize size;
    size.width = ReadSide(*width);
    size.height = ReadSide(*height);
    if (!(size.width > 0 && size.height > 0 && size.width <= kMaxPageSide && size.height <= kMaxPageSide))
        ThrowDocument(XPS_E_INVALID_PAGE_SIZE);
    size.contentBox = ReadBox(attributes, "ContentBox");
    size.bleedBox = ReadBox(attributes, "BleedBox");
    return size;
}

void PageReader::StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes)
{
    if (m_held == Held::Skipped) {
        ++m_skippedDepth;
        return;
    }
    if (m_held != Held::Nothing) {
        m_tree.StartElement(name, attributes);
        return;
    }
    if (m_containers.empty()) {
        if (name != "FixedPage" || m_painter != nullptr)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        m_painter = &m_begin(ReadPageSize(attributes));
    } else {
        Container& container = m_containers.back();
        const std::string& owner = container.element.name;
        const bool property = name.size() > owner.size() && name.compare(0, owner.size(), owner) == 0 && name[owner.size()] == '.';
        if (property && !container.begun) {
            m_held = Held::Property;
        } else if (name == "Path" || name == "Glyphs") {
            Begin(container);
            m_held = Held::Drawing;
        } else if (name != "Canvas") {
            // Nothing else draws: what a reader does not know it passes over.
            m_held = Held::Skipped;
            m_skippedDepth = 1;
            return;
        }
        if (m_held != Held::Nothing) {
            m_tree.StartElement(name, attributes);
            return;
        }
        Begin(container);
    }
    Container opened;
    opened.element.name = std::string(name);
    for (const MarkupAttribute& attribute : attributes)
        opened.element.attributes.push_back({std::string(attribute.name), std::string(attribute.value)});
    m_containers.push_back(std::move(opened));
}

void PageReader::EndElement(std::string_view name)
{
    if (m_held == Held::Skipped) {
        if (--m_skippedDepth == 0)
            m_held = Held::Nothing;
        return;
    }
    if (m_held != Held::Nothing) {
        m_tree.EndElement(name);
        if (!m_tree.Done())
            return;
        XmlElement tree = m_tree.Take();
        if (m_held == Held::Property)
            m_containers.back().element.children.push_back(std::move(tree));
        else
            m_painter->Draw(std::move(tree));
        m_held = Held::Nothing;
        return;
    }
    Begin(m_containers.back());
    m_painter->EndCanvas();
    m_containers.pop_back();
}

void PageReader::Begin(Container& container)
{
    if (container.begun)
        return;
    container.begun = true;
    m_painter->BeginCanvas(container.element);
}
