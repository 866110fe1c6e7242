// What markup compatibility says in scope at an element: the namespace each prefix names there, the
// namespaces that may be ignored, and the ignored elements whose content stays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "xps/markup/expanded_name.h"

// Real markup declares a handful; a hostile list of millions would otherwise cost far more than its text.
constexpr std::size_t kMaxCompatibilityNames = 4096;

class CompatibilityScope {
public:
    // As expat reports an element's namespace declarations coming into and going out of scope.
    void Bind(std::string_view prefix, std::string_view space);
    void Unbind(std::string_view prefix);
    // An undeclared prefix is invalid markup.
    std::string_view Resolve(std::string_view prefix) const;

    // Where an element's own declarations begin, to Restore when it ends.
    std::size_t Mark() const { return m_added.size(); }
    void Restore(std::size_t mark);
    // mc:Ignorable's prefixes, and mc:ProcessContent's "prefix:Name" or "prefix:*" names.
    void Ignore(std::string_view prefixes);
    void ProcessContent(std::string_view names);

    bool Ignorable(std::string_view space) const;
    bool ContentProcessed(ExpandedName element) const;

private:
    void Declare(std::string key);

    std::unordered_map<std::string, std::vector<std::string>> m_bindings;
    // Ignorable namespaces, and ProcessContent names as namespace, kNameSeparator, local name or "*".
    std::unordered_set<std::string> m_declared;
    std::vector<std::string> m_added;
};
