#include "xml_element.h"

#include <utility>

#include "document_failure.h"
#include "document_status.h"

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
