#include "xps/markup/xml_element.h"

#include <utility>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

const std::string* XmlElement::Attribute(std::string_view name) const
{
    for (const XmlAttribute& attribute : attributes)
        if (attribute.name == name)
            return &attribute.value;
    return nullptr;
}

bool XmlElement::IsPropertyOf(const XmlElement& owner, std::string_view property) const
{
    const std::string_view own = name;
    return own.size() > owner.name.size() && own.compare(0, owner.name.size(), owner.name) == 0 &&
           own[owner.name.size()] == '.' && (property.empty() || own.substr(owner.name.size() + 1) == property);
}

namespace {

// Packed markup: an element is its name, its attributes' names and values, each ended by a NUL, then
// kChildren, its children packed, kEnd. Neither character, nor NUL, can be in XML 1.0 text.
constexpr char kChildren = '\1';
constexpr char kEnd = '\2';

// Which elements' children are packed rather than held as nodes.
bool Packs(std::string_view parent, std::string_view child)
{
    return parent == "PathFigure" || (parent == "PathGeometry" && child == "PathFigure");
}

void Pack(const XmlElement& element, std::string& into)
{
    into += element.name;
    into += '\0';
    for (const XmlAttribute& attribute : element.attributes) {
        into += attribute.name;
        into += '\0';
        into += attribute.value;
        into += '\0';
    }
    into += kChildren;
    for (const XmlElement& child : element.children)
        Pack(child, into);
    into += element.packed;
    into += kEnd;
}

std::size_t Nodes(const XmlElement& element)
{
    std::size_t nodes = 1 + element.attributes.size();
    for (const XmlElement& child : element.children)
        nodes += Nodes(child);
    return nodes;
}

std::string_view Token(std::string_view& rest)
{
    const std::size_t end = rest.find('\0');
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return token;
}

}  // namespace

std::optional<std::string_view> PackedElement::Attribute(std::string_view name) const
{
    for (const auto& [attributeName, value] : attributes)
        if (attributeName == name)
            return value;
    return std::nullopt;
}

bool PackedElements::Next(PackedElement& element)
{
    if (m_rest.empty())
        return false;
    element.name = Token(m_rest);
    element.attributes.clear();
    while (m_rest.front() != kChildren) {
        const std::string_view name = Token(m_rest);
        element.attributes.emplace_back(name, Token(m_rest));
    }
    // Past its kChildren to the kEnd that closes it.
    std::size_t depth = 1, at = 1;
    for (; depth != 0; ++at) {
        at = m_rest.find_first_of("\1\2", at);
        if (m_rest[at] == kChildren)
            ++depth;
        else
            --depth;
    }
    element.packed = m_rest.substr(1, at - 2);
    m_rest.remove_prefix(at);
    return true;
}

void XmlTreeBuilder::StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes)
{
    if (m_done)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    m_nodes += 1 + attributes.size();
    if (m_nodes > m_maxNodes)
        ThrowDocument(E_OUTOFMEMORY);
    XmlElement& element = m_open.emplace_back();
    element.name = name;
    element.attributes.reserve(attributes.size());
    for (const MarkupAttribute& attribute : attributes)
        element.attributes.push_back({std::string(attribute.name), std::string(attribute.value)});
}

void XmlTreeBuilder::EndElement(std::string_view)
{
    if (m_open.empty())
        ThrowDocument(XPS_E_INVALID_MARKUP);
    XmlElement element = std::move(m_open.back());
    m_open.pop_back();
    if (m_open.empty()) {
        m_tree = std::move(element);
        m_done = true;
    } else if (Packs(m_open.back().name, element.name)) {
        Pack(element, m_open.back().packed);
        m_nodes -= Nodes(element);
    } else {
        m_open.back().children.push_back(std::move(element));
    }
}

XmlElement XmlTreeBuilder::Take()
{
    if (!m_done)
        ThrowDocument(E_UNEXPECTED);
    m_done = false;
    m_nodes = 0;
    return std::exchange(m_tree, {});
}

XmlElement ParseMarkupTree(std::string_view bytes, std::initializer_list<std::string_view> localNamespaces,
                           std::size_t maxNodes)
{
    XmlTreeBuilder tree(maxNodes);
    MarkupReader reader(tree, localNamespaces);
    reader.Feed(bytes.data(), bytes.size());
    reader.Finish();
    if (!tree.Done())
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return tree.Take();
}
