// Resource dictionaries: brushes, geometries and visuals kept under a key, inline in FixedPage.Resources
// and Canvas.Resources or in a part of their own (Source=), and found through the scopes of the elements
// that hold them, innermost first.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xml_element.h"

class PackageReader;

// The key of "{StaticResource key}", or nothing where the value is no such reference.
std::optional<std::string_view> StaticResourceKey(std::string_view value);

class ResourceScopes {
public:
    explicit ResourceScopes(const PackageReader& package) : m_package(package) {}

    // Enters the scope of an element's Resources property element (null where it has none). part is
    // the part the markup is in, for a Source relative to it.
    void Push(const XmlElement* resources, const std::string& part);
    void Pop();
    // The resource under the key, or XPS_E_INVALID_MARKUP where no scope has it.
    const XmlElement& Find(std::string_view key) const;

private:
    using Scope = std::map<std::string, const XmlElement*, std::less<>>;

    const XmlElement& Remote(const std::string& part);

    const PackageReader& m_package;
    std::vector<Scope> m_scopes;
    // Dictionaries from parts of their own, read once for the whole document.
    std::map<std::string, std::unique_ptr<XmlElement>> m_remote;
};
