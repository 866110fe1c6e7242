// XPS markup read as it is inflated, a chunk at a time, into the element events the translator works
// from: names with their namespaces folded away, markup compatibility already applied, text dropped
// (XPS markup carries everything in attributes) but for a MarkupTextHandler.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// XmlLite, which reads XPS markup on Windows, stops at 256 levels by default; real pages nest a few, and
// the translator holds a little state for every open element.
constexpr std::size_t kMaxMarkupDepth = 1024;

struct MarkupAttribute {
    std::string_view name;
    std::string_view value;
};

std::optional<std::string_view> FindAttribute(const std::vector<MarkupAttribute>& attributes, std::string_view name);

// Names and attributes are valid only during the call. A handler may throw; the reader rethrows it
// from Feed or Finish.
class MarkupHandler {
public:
    virtual void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) = 0;
    virtual void EndElement(std::string_view name) = 0;

protected:
    ~MarkupHandler() = default;
};

// A handler of markup that carries values in text (a print ticket's), given the text of the elements it
// is given, in as many pieces as expat splits it into.
class MarkupTextHandler : public MarkupHandler {
public:
    virtual void Text(std::string_view text) = 0;

protected:
    ~MarkupTextHandler() = default;
};

// Names: elements and attributes in the two XPS namespaces, and in the localNamespaces given (say
// kRelationshipsNamespace), come out as their local names ("FixedPage", "Path.Fill"); attributes in no
// namespace as their names ("Data"); the resource key of either XPS as "x:Key"; xml:lang and xml:space
// as written. Any other attribute is dropped, and any other element skipped with all it holds.
//
// Markup compatibility: elements and attributes of mc:Ignorable namespaces are skipped, but for the
// content of mc:ProcessContent elements, which stands in their place; mc:AlternateContent gives way to
// the content of its first mc:Choice whose Requires namespaces are all understood, else of its
// mc:Fallback, else to nothing. A namespace is understood if it is in kUnderstoodNamespaces or
// localNamespaces; mc:MustUnderstand of any other fails.
//
// Fails with XPS_E_INVALID_MARKUP for markup that is not well-formed, holds a DOCTYPE (so no entity is
// ever declared, expanded or read), nests deeper than kMaxMarkupDepth, gives an element one attribute
// name twice once folded, or breaks the rules above; with E_OUTOFMEMORY where expat runs out. After a
// failure the reader only fails.
class MarkupReader {
public:
    explicit MarkupReader(MarkupHandler& handler, std::initializer_list<std::string_view> localNamespaces = {});
    // Text is read only for a handler that takes it: pages carry none worth a call.
    explicit MarkupReader(MarkupTextHandler& handler, std::initializer_list<std::string_view> localNamespaces = {});
    ~MarkupReader();
    MarkupReader(const MarkupReader&) = delete;
    MarkupReader& operator=(const MarkupReader&) = delete;

    // The part's next bytes, in UTF-8 or UTF-16 as its byte-order mark or declaration says.
    void Feed(const void* data, std::size_t size);
    // The part has ended; fails unless its markup is whole.
    void Finish();

    // The namespace a prefix names where the reader is, for a handler reading names written in values
    // ("psk:ISOA4"); an undeclared prefix fails with XPS_E_INVALID_MARKUP.
    std::string_view Namespace(std::string_view prefix) const;

private:
    class Parse;
    std::unique_ptr<Parse> m_parse;
};
