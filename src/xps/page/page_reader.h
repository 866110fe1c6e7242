// A page's markup read as it streams, into the painter: the FixedPage and each Canvas are begun once
// their property elements have come and ended with their last child, so a page is never held whole;
// only each Path and Glyphs, and each property element, is held as a small tree while it is read.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "xps/markup/markup_reader.h"
#include "xps/markup/xml_element.h"

// What a page's elements are handed to as they are read: the painter, or a thread that paints.
class PageDrawer {
public:
    // A Canvas (or the FixedPage) by its attributes and property elements, before its children; the
    // element stays where it is until EndCanvas.
    virtual void BeginCanvas(const XmlElement& canvas) = 0;
    virtual void EndCanvas() = 0;
    // A Path or a Glyphs, whole.
    virtual void Draw(XmlElement element) = 0;

protected:
    ~PageDrawer() = default;
};

// The page's size and boxes, from its FixedPage element.
struct PageSize {
    double width = 0;
    double height = 0;
    std::optional<std::array<double, 4>> contentBox;
    std::optional<std::array<double, 4>> bleedBox;
};

// Reads the FixedPage's size; XPS_E_INVALID_PAGE_SIZE for one that is not positive and within PDF's
// 200 inches.
PageSize ReadPageSize(const std::vector<MarkupAttribute>& attributes);

class PageReader final : public MarkupHandler {
public:
    // begin is told the page's size at its FixedPage, and gives what to draw with.
    explicit PageReader(std::function<PageDrawer&(const PageSize&)> begin) : m_begin(std::move(begin)) {}

    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override;
    void EndElement(std::string_view name) override;

    // Whether a FixedPage was read.
    bool Read() const { return m_painter != nullptr; }

private:
    enum class Held { Nothing, Property, Drawing, Skipped };
    struct Container {
        XmlElement element;
        bool begun = false;
    };

    void Begin(Container& container);

    std::function<PageDrawer&(const PageSize&)> m_begin;
    PageDrawer* m_painter = nullptr;
    // A deque, so that the painter may keep each open container's element where it is.
    std::deque<Container> m_containers;
    XmlTreeBuilder m_tree;
    Held m_held = Held::Nothing;
    std::size_t m_skippedDepth = 0;
};
