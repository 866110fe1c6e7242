#include "xps/markup/compatibility_scope.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/markup_namespaces.h"
#include "xps/markup/xml_space.h"

void CompatibilityScope::Bind(std::string_view prefix, std::string_view space)
{
    m_bindings[std::string(prefix)].emplace_back(space);
}

void CompatibilityScope::Unbind(std::string_view prefix)
{
    const auto binding = m_bindings.find(std::string(prefix));
    binding->second.pop_back();
    if (binding->second.empty())
        m_bindings.erase(binding);
}

std::string_view CompatibilityScope::Resolve(std::string_view prefix) const
{
    if (prefix == "xml")
        return kXmlNamespace;
    const auto binding = m_bindings.find(std::string(prefix));
    if (binding == m_bindings.end())
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return binding->second.back();
}

void CompatibilityScope::Restore(std::size_t mark)
{
    for (; m_added.size() > mark; m_added.pop_back())
        m_declared.erase(m_added.back());
}

void CompatibilityScope::Ignore(std::string_view prefixes)
{
    ForEachListItem(prefixes, [this](std::string_view prefix) { Declare(std::string(Resolve(prefix))); });
}

void CompatibilityScope::ProcessContent(std::string_view names)
{
    ForEachListItem(names, [this](std::string_view name) {
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        Declare(std::string(Resolve(name.substr(0, colon))) + kNameSeparator + std::string(name.substr(colon + 1)));
    });
}

bool CompatibilityScope::Ignorable(std::string_view space) const
{
    return m_declared.count(std::string(space)) != 0;
}

bool CompatibilityScope::ContentProcessed(ExpandedName element) const
{
    const std::string prefix = std::string(element.space) + kNameSeparator;
    return m_declared.count(prefix + std::string(element.local)) != 0 || m_declared.count(prefix + '*') != 0;
}

// A name already in scope stays declared by the enclosing element, whose scope holds this one's.
void CompatibilityScope::Declare(std::string key)
{
    if (m_declared.count(key) != 0)
        return;
    if (m_declared.size() == kMaxCompatibilityNames)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    m_declared.insert(key);
    m_added.push_back(std::move(key));
}
