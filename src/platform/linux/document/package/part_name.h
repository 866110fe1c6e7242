// The part a URI in the package's markup names: relative to the part it is written in, or absolute
// from the package's root, percent-escapes decoded, as a ZIP entry name (without the leading slash).
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct PartReference {
    std::string part;
    // What followed '#', without it: a font's face, or a name on a page.
    std::string fragment;
};

// A ZIP entry's name as the part name it stands for: ZIP names keep a part name's %-escapes, which URIs
// in markup are resolved without. Nothing for an escape that is broken.
std::optional<std::string> Unescape(std::string_view text);

// Nothing for a URI that leaves the package (a scheme, or ".." past the root) or names no part.
std::optional<PartReference> ResolvePart(std::string_view from, std::string_view uri);
