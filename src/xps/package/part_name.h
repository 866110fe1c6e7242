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
// The part name a ZIP entry's name stands for: unescaped, or as it is where an escape is broken.
std::string PartName(std::string_view zipName);

// A name as parts are looked up by: a part name as it is, or a ZIP entry's name, whose %-escapes are
// decoded where all of them are whole. Never a copy: a package may have a million names.
struct PartKey {
    std::string_view text;
    bool escaped = false;
};
PartKey ZipNameKey(std::string_view zipName);
// Orders keys as the part names they stand for, ASCII letters without regard to case: negative, zero or
// positive.
int ComparePartKeys(const PartKey& a, const PartKey& b);

// Nothing for a URI that leaves the package (a scheme, or ".." past the root) or names no part.
std::optional<PartReference> ResolvePart(std::string_view from, std::string_view uri);
