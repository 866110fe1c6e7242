// XML's white space, which markup may put around a value and between the items of a list.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

constexpr std::string_view kXmlSpace = " \t\r\n";

inline bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// text without the white space around it.
inline std::string_view TrimXmlSpace(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kXmlSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kXmlSpace) - first + 1);
}

// Calls step with each item of a list that white space separates.
template <class Step>
void ForEachListItem(std::string_view list, Step step)
{
    for (std::size_t start = list.find_first_not_of(kXmlSpace); start != std::string_view::npos;) {
        const std::size_t end = std::min(list.find_first_of(kXmlSpace, start), list.size());
        step(list.substr(start, end - start));
        start = list.find_first_not_of(kXmlSpace, end);
    }
}
