// Small pieces of markup held whole: a subtree of a page (a Path with its property elements, a Glyphs,
// a resource dictionary, a brush), or a small part of the package read at once.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xps/markup/markup_reader.h"

struct XmlAttribute {
    std::string name;
    std::string value;
};

struct XmlElement {
    std::string name;
    std::vector<XmlAttribute> attributes;
    std::vector<XmlElement> children;
    // The figures of a PathGeometry and the segments of a PathFigure, of which one path may hold
    // hundreds of thousands, are not children but packed here as they are read, in order, in little
    // more than their markup's length. PackedElements reads them.
    std::string packed;

    const std::string* Attribute(std::string_view name) const;
    // Whether this is owner's property element of that name ("Path.Fill"), or with no name, any of them.
    bool IsPropertyOf(const XmlElement& owner, std::string_view property = {}) const;
};

// One element read from packed text: views into it, valid while the text is.
struct PackedElement {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> attributes;
    // Its own child elements, packed.
    std::string_view packed;

    std::optional<std::string_view> Attribute(std::string_view name) const;
};

// Reads packed elements one after another.
class PackedElements {
public:
    explicit PackedElements(std::string_view packed) : m_rest(packed) {}
    // The next element into element; false at the end.
    bool Next(PackedElement& element);

private:
    std::string_view m_rest;
};

// What one tree may hold, counting elements and attributes alike: a hostile resource dictionary could
// otherwise hold a whole page of 64 MiB at several times its size.
constexpr std::size_t kMaxTreeNodes = 1'000'000;

// Handed the events of one subtree, from its element's StartElement to its EndElement, builds it.
// Past maxNodes it fails with E_OUTOFMEMORY: the markup may be sound, but is more than is held. Packed
// elements are not counted: they take no more than the part's markup, which is bounded already.
// A second element after the first has ended fails with XPS_E_INVALID_MARKUP.
class XmlTreeBuilder final : public MarkupHandler {
public:
    explicit XmlTreeBuilder(std::size_t maxNodes = kMaxTreeNodes) : m_maxNodes(maxNodes) {}

    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override;
    void EndElement(std::string_view name) override;

    // Whether the subtree's element has ended.
    bool Done() const { return m_done; }
    // The subtree, once Done; the builder starts afresh.
    XmlElement Take();

private:
    std::size_t m_maxNodes;
    std::size_t m_nodes = 0;
    std::vector<XmlElement> m_open;
    XmlElement m_tree;
    bool m_done = false;
};

// A small part's markup read whole, named as MarkupReader names it: the package's own parts are read
// with their namespaces as localNamespaces, say {kRelationshipsNamespace}. Markup whose root is skipped
// fails with XPS_E_INVALID_MARKUP, as do MarkupReader's failures.
XmlElement ParseMarkupTree(std::string_view bytes, std::initializer_list<std::string_view> localNamespaces = {},
                           std::size_t maxNodes = kMaxTreeNodes);
