// A name as expat gives it under namespace processing: the namespace, kNameSeparator, the local name;
// a name in no namespace is its local name alone.
#pragma once

#include <string_view>

// No XML text can hold this character, and expat refuses a namespace that does, so no name is ambiguous.
constexpr char kNameSeparator = '\x1F';

struct ExpandedName {
    std::string_view space;  // empty for a name in no namespace
    std::string_view local;
};

inline ExpandedName Expand(std::string_view name)
{
    const std::size_t separator = name.find(kNameSeparator);
    if (separator == std::string_view::npos)
        return {{}, name};
    return {name.substr(0, separator), name.substr(separator + 1)};
}
