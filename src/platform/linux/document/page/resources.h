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

#include "part_name.h"
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
    // The part a URI names: relative to the page's part, or, for markup that a dictionary of its own part
    // holds, to that part. Each is tried in turn, the page first, for the first part the package has;
    // where none has it, the page's reading stands, and the part is reported missing.
    std::optional<PartReference> Resolve(const std::string& page, std::string_view uri) const;

private:
    struct Scope {
        std::map<std::string, const XmlElement*, std::less<>> entries;
        // The dictionary's own part, where it has one.
        std::string source;
    };

    const XmlElement& Remote(const std::string& part);

    const PackageReader& m_package;
    std::vector<Scope> m_scopes;
    // Dictionaries from parts of their own, read once for the whole document.
    std::map<std::string, std::unique_ptr<XmlElement>> m_remote;
};
