#include "xps/page/resources.h"

#include <iterator>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/xml_space.h"
#include "xps/package/package_reader.h"

std::optional<std::string_view> StaticResourceKey(std::string_view value)
{
    const std::size_t open = value.find_first_not_of(kXmlSpace);
    if (open == std::string_view::npos || value[open] != '{')
        return std::nullopt;
    const std::size_t close = value.rfind('}');
    if (close == std::string_view::npos || close < open)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    std::string_view inside = value.substr(open + 1, close - open - 1);
    constexpr std::string_view kStatic = "StaticResource";
    const std::size_t word = inside.find_first_not_of(kXmlSpace);
    if (word == std::string_view::npos || inside.substr(word, kStatic.size()) != kStatic)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    inside.remove_prefix(word + kStatic.size());
    const std::size_t first = inside.find_first_not_of(kXmlSpace);
    const std::size_t last = inside.find_last_not_of(kXmlSpace);
    if (first == std::string_view::npos || first == 0)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    return inside.substr(first, last - first + 1);
}

void ResourceScopes::Push(const XmlElement* resources, const std::string& part)
{
    Scope scope;
    const XmlElement* dictionary = nullptr;
    if (resources != nullptr) {
        for (const XmlElement& child : resources->children) {
            if (child.name == "ResourceDictionary")
                dictionary = &child;
        }
    }
    if (dictionary != nullptr) {
        if (const std::string* source = dictionary->Attribute("Source")) {
            const std::optional<PartReference> reference = ResolvePart(part, *source);
            if (!reference)
                ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
            scope.remote = &Remote(reference->part).entries;
            scope.source = reference->part;
        } else {
            scope.entries = Index(*dictionary);
        }
    }
    m_scopes.push_back(std::move(scope));
}

ResourceScopes::Entries ResourceScopes::Index(const XmlElement& dictionary)
{
    Entries entries;
    for (const XmlElement& entry : dictionary.children) {
        if (const std::string* key = entry.Attribute("x:Key"))
            entries.emplace(*key, &entry);
    }
    return entries;
}

void ResourceScopes::Pop() { m_scopes.pop_back(); }

ResourceScopes::Resource ResourceScopes::Find(std::string_view key) const
{
    for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
        const Entries& entries = scope->remote != nullptr ? *scope->remote : scope->entries;
        if (const auto found = entries.find(key); found != entries.end())
            return {found->second, scope->remote != nullptr || std::next(scope) == m_scopes.rend()};
    }
    ThrowDocument(XPS_E_INVALID_MARKUP);
}

std::optional<PartReference> ResourceScopes::Resolve(const std::string& page, std::string_view uri) const
{
    const std::optional<PartReference> fromPage = ResolvePart(page, uri);
    if (!fromPage || m_package.Find(fromPage->part) != nullptr)
        return fromPage;
    for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
        if (scope->source.empty())
            continue;
        const std::optional<PartReference> fromDictionary = ResolvePart(scope->source, uri);
        if (fromDictionary && m_package.Find(fromDictionary->part) != nullptr)
            return fromDictionary;
    }
    return fromPage;
}

const ResourceScopes::RemoteDictionary& ResourceScopes::Remote(const std::string& part)
{
    auto& held = m_remote[FoldCase(part)];
    if (!held) {
        XmlElement dictionary = ParseMarkupTree(m_package.Read(part));
        if (dictionary.name != "ResourceDictionary")
            ThrowDocument(XPS_E_INVALID_MARKUP);
        held = std::make_unique<RemoteDictionary>(RemoteDictionary{std::move(dictionary), {}});
        held->entries = Index(held->dictionary);
    }
    return *held;
}
