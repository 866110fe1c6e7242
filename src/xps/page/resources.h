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

#include "xps/markup/xml_element.h"
#include "xps/package/part_name.h"

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
    // How many scopes are entered, for popping back to it.
    std::size_t Depth() const { return m_scopes.size(); }
    struct Resource {
        const XmlElement* element;
        // Whether it lasts as long as the page: a resource of the page's own dictionary, or of a part of
        // its own. A canvas's dictionary goes with the canvas, and another may take its place in memory.
        bool lasting;
    };
    // The resource under the key, or XPS_E_INVALID_MARKUP where no scope has it.
    Resource Find(std::string_view key) const;
    // The part a URI names: relative to the page's part, or, for markup that a dictionary of its own part
    // holds, to that part. Each is tried in turn, the page first, for the first part the package has;
    // where none has it, the page's reading stands, and the part is reported missing.
    std::optional<PartReference> Resolve(const std::string& page, std::string_view uri) const;

private:
    // A dictionary's resources by key, naming the keys where the dictionary holds them.
    using Entries = std::map<std::string_view, const XmlElement*, std::less<>>;
    struct Scope {
        // An inline dictionary's entries; one of a part of its own has them in remote.
        Entries entries;
        const Entries* remote = nullptr;
        // The dictionary's own part, where it has one.
        std::string source;
    };
    struct RemoteDictionary {
        XmlElement dictionary;
        Entries entries;
    };

    static Entries Index(const XmlElement& dictionary);
    const RemoteDictionary& Remote(const std::string& part);

    const PackageReader& m_package;
    std::vector<Scope> m_scopes;
    // Dictionaries from parts of their own, read and indexed once for the whole document: pages that
    // share one large dictionary would otherwise index it again each.
    std::map<std::string, std::unique_ptr<RemoteDictionary>> m_remote;
};
