#include "xps/markup/markup_reader.h"

#include "xps/markup/expat_parser.h"

#include <expat.h>

#include <algorithm>
#include <exception>
#include <string>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/compatibility_scope.h"
#include "xps/markup/expanded_name.h"
#include "xps/markup/markup_namespaces.h"
#include "xps/markup/surrogate_pairs.h"
#include "xps/markup/xml_space.h"
#include "xps/markup/xps_elements.h"

std::optional<std::string_view> FindAttribute(const std::vector<MarkupAttribute>& attributes, std::string_view name)
{
    for (const MarkupAttribute& attribute : attributes)
        if (attribute.name == name)
            return attribute.value;
    return std::nullopt;
}

class MarkupReader::Parse {
public:
    Parse(MarkupHandler& handler, std::initializer_list<std::string_view> localNamespaces);

    void ReadText(MarkupTextHandler& handler);
    void Feed(const char* data, std::size_t size);
    void Finish();
    std::string_view Namespace(std::string_view prefix) const { return m_scope.Resolve(prefix); }

private:
    // Emitted elements give events; InPlace ones only their content; Alternatives wait for a choice.
    enum class Role { Emitted, InPlace, Alternatives };
    struct Frame {
        Role role;
        std::size_t scope;
        bool chosen = false;
    };

    // Exceptions must not cross expat's frames: the first is kept, the parse stopped, and the exception
    // rethrown once XML_Parse has returned.
    template <class Step>
    void Guarded(Step step)
    {
        if (m_failure)
            return;
        try {
            step();
        } catch (...) {
            m_failure = std::current_exception();
            XML_StopParser(m_parser.Get(), XML_FALSE);
        }
    }

    void Hand(const char* data, std::size_t size, bool final);
    void ParseGathered(bool final);
    void Check(XML_Status status);
    void Start(std::string_view name, const char** attributes);
    void End(std::string_view name);
    void ReadCompatibility(const char** attributes);
    std::optional<Role> Place(ExpandedName element, const char** attributes);
    std::optional<Role> Alternative(ExpandedName element, const char** attributes);
    bool Understood(std::string_view space) const;
    bool Local(std::string_view space) const;
    const std::vector<MarkupAttribute>& Attributes(const char** attributes);

    MarkupHandler& m_handler;
    MarkupTextHandler* m_text = nullptr;
    std::vector<std::string> m_local;
    ExpatParser m_parser{kNameSeparator};
    CompatibilityScope m_scope;
    std::vector<Frame> m_open;
    std::vector<MarkupAttribute> m_attributes;
    std::size_t m_depth = 0;
    // How deep inside a skipped element the parse is; 0 outside any.
    std::size_t m_skipped = 0;
    std::exception_ptr m_failure;
    SurrogatePairs m_pairs;
    // Bytes handed to expat so far.
    XML_Index m_fed = 0;
    // expat's buffer while bytes are gathered in it ahead of an open token, else null.
    char* m_gathering = nullptr;
    std::size_t m_gathered = 0;
    std::size_t m_wanted = 0;
};

MarkupReader::Parse::Parse(MarkupHandler& handler, std::initializer_list<std::string_view> localNamespaces)
    : m_handler(handler), m_local(localNamespaces.begin(), localNamespaces.end())
{
    const XML_Parser parser = m_parser.Get();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(
        parser,
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
            Parse& parse = *static_cast<Parse*>(self);
            parse.Guarded([&] { parse.Start(name, attributes); });
        },
        [](void* self, const XML_Char* name) {
            Parse& parse = *static_cast<Parse*>(self);
            parse.Guarded([&] { parse.End(name); });
        });
    // The default namespace is never named by a prefix, so only prefixes are followed.
    XML_SetNamespaceDeclHandler(
        parser,
        [](void* self, const XML_Char* prefix, const XML_Char* space) {
            Parse& parse = *static_cast<Parse*>(self);
            if (prefix != nullptr)
                parse.Guarded([&] { parse.m_scope.Bind(prefix, space); });
        },
        [](void* self, const XML_Char* prefix) {
            Parse& parse = *static_cast<Parse*>(self);
            if (prefix != nullptr)
                parse.Guarded([&] { parse.m_scope.Unbind(prefix); });
        });
    // Every entity is declared in a DOCTYPE, so refusing it refuses them all before any is read.
    XML_SetStartDoctypeDeclHandler(parser, [](void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<Parse*>(self)->Guarded([] { ThrowDocument(XPS_E_INVALID_MARKUP); });
    });
}

void MarkupReader::Parse::ReadText(MarkupTextHandler& handler)
{
    m_text = &handler;
    XML_SetCharacterDataHandler(m_parser.Get(), [](void* self, const XML_Char* text, int size) {
        Parse& parse = *static_cast<Parse*>(self);
        // Text of skipped elements, and between alternatives, is no one's.
        if (parse.m_skipped != 0 || parse.m_open.empty() || parse.m_open.back().role == Role::Alternatives)
            return;
        parse.Guarded([&] { parse.m_text->Text(std::string_view(text, static_cast<std::size_t>(size))); });
    });
}

// expat scans a token it has not seen the end of again from its start with every buffer it is given, so
// a long attribute fed in small buffers would cost time in its square. While a token is open, the bytes
// are gathered in expat's own buffer until there are as many as it holds of the token: each scan then
// covers at least twice the last, and the work stays linear in the token.
void MarkupReader::Parse::Feed(const char* data, std::size_t size)
{
    Guarded([&] { m_pairs.Feed(reinterpret_cast<const unsigned char*>(data), size); });
    if (m_failure)
        std::rethrow_exception(m_failure);
    while (size != 0) {
        if (m_gathering == nullptr) {
            const XML_Index scanned = XML_GetCurrentByteIndex(m_parser.Get());
            const std::size_t open = scanned < 0 ? 0 : static_cast<std::size_t>(m_fed - scanned);
            if (open <= size) {
                Hand(data, size, false);
                return;
            }
            void* buffer = XML_GetBuffer(m_parser.Get(), static_cast<int>(open));
            if (buffer == nullptr)
                Check(XML_STATUS_ERROR);
            m_gathering = static_cast<char*>(buffer);
            m_gathered = 0;
            m_wanted = open;
        }
        const std::size_t taken = std::min(size, m_wanted - m_gathered);
        std::copy_n(data, taken, m_gathering + m_gathered);
        m_gathered += taken;
        data += taken;
        size -= taken;
        if (m_gathered == m_wanted)
            ParseGathered(false);
    }
}

void MarkupReader::Parse::Finish()
{
    Guarded([&] { m_pairs.Finish(); });
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (m_gathering != nullptr)
        ParseGathered(true);
    else
        Hand(nullptr, 0, true);
}

void MarkupReader::Parse::Hand(const char* data, std::size_t size, bool final)
{
    // XML_Parse takes an int length.
    constexpr std::size_t kSlice = 1u << 30;
    do {
        const std::size_t slice = std::min(size, kSlice);
        Check(XML_Parse(m_parser.Get(), data, static_cast<int>(slice), final && slice == size));
        m_fed += static_cast<XML_Index>(slice);
        data += slice;
        size -= slice;
    } while (size != 0);
}

void MarkupReader::Parse::ParseGathered(bool final)
{
    m_gathering = nullptr;
    m_fed += static_cast<XML_Index>(m_gathered);
    Check(XML_ParseBuffer(m_parser.Get(), static_cast<int>(m_gathered), final));
}

void MarkupReader::Parse::Check(XML_Status status)
{
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (status != XML_STATUS_OK)
        ThrowDocument(XML_GetErrorCode(m_parser.Get()) == XML_ERROR_NO_MEMORY ? E_OUTOFMEMORY : XPS_E_INVALID_MARKUP);
}

void MarkupReader::Parse::Start(std::string_view name, const char** attributes)
{
    if (++m_depth > kMaxMarkupDepth)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    if (m_skipped != 0) {
        ++m_skipped;
        return;
    }
    const std::size_t scope = m_scope.Mark();
    ReadCompatibility(attributes);
    const ExpandedName element = Expand(name);
    const std::optional<Role> role = Place(element, attributes);
    if (!role) {
        m_scope.Restore(scope);
        m_skipped = 1;
        return;
    }
    m_open.push_back({*role, scope});
    if (*role == Role::Emitted)
        m_handler.StartElement(element.local, Attributes(attributes));
}

void MarkupReader::Parse::End(std::string_view name)
{
    --m_depth;
    if (m_skipped != 0) {
        --m_skipped;
        return;
    }
    const Frame frame = m_open.back();
    m_open.pop_back();
    m_scope.Restore(frame.scope);
    if (frame.role == Role::Emitted)
        m_handler.EndElement(Expand(name).local);
}

// Read first, as an element's own declarations hold for the element too.
void MarkupReader::Parse::ReadCompatibility(const char** attributes)
{
    for (; *attributes != nullptr; attributes += 2) {
        const ExpandedName name = Expand(attributes[0]);
        if (name.space != kCompatibilityNamespace)
            continue;
        const std::string_view value = attributes[1];
        if (name.local == "Ignorable")
            m_scope.Ignore(value);
        else if (name.local == "ProcessContent")
            m_scope.ProcessContent(value);
        else if (name.local == "MustUnderstand")
            ForEachListItem(value, [this](std::string_view prefix) {
                if (!Understood(m_scope.Resolve(prefix)))
                    ThrowDocument(XPS_E_INVALID_MARKUP);
            });
    }
}

std::optional<MarkupReader::Parse::Role> MarkupReader::Parse::Place(ExpandedName element, const char** attributes)
{
    if (!m_open.empty() && m_open.back().role == Role::Alternatives)
        return Alternative(element, attributes);
    if (element.space == kCompatibilityNamespace) {
        if (element.local != "AlternateContent")
            ThrowDocument(XPS_E_INVALID_MARKUP);
        return Role::Alternatives;
    }
    if ((element.space == kXpsNamespace || element.space == kOpenXpsNamespace) && !XpsDefinesElement(element.local))
        ThrowDocument(XPS_E_INVALID_MARKUP);
    if (Local(element.space))
        return Role::Emitted;
    if (m_scope.Ignorable(element.space) && m_scope.ContentProcessed(element))
        return Role::InPlace;
    // Ignorable, or neither understood nor ignorable, which a strict reader would refuse: printing what
    // is understood serves better than failing the whole document.
    return std::nullopt;
}

std::optional<MarkupReader::Parse::Role> MarkupReader::Parse::Alternative(ExpandedName element, const char** attributes)
{
    Frame& alternatives = m_open.back();
    if (element.space != kCompatibilityNamespace || alternatives.chosen)
        return std::nullopt;
    if (element.local == "Choice") {
        const char** required = attributes;
        while (*required != nullptr && std::string_view(required[0]) != "Requires")
            required += 2;
        if (*required == nullptr)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        bool understood = true;
        ForEachListItem(required[1], [&](std::string_view prefix) { understood = understood && Understood(m_scope.Resolve(prefix)); });
        if (!understood)
            return std::nullopt;
    } else if (element.local != "Fallback") {
        ThrowDocument(XPS_E_INVALID_MARKUP);
    }
    alternatives.chosen = true;
    return Role::InPlace;
}

bool MarkupReader::Parse::Understood(std::string_view space) const
{
    return std::find(kUnderstoodNamespaces.begin(), kUnderstoodNamespaces.end(), space) != kUnderstoodNamespaces.end() ||
        std::find(m_local.begin(), m_local.end(), space) != m_local.end();
}

bool MarkupReader::Parse::Local(std::string_view space) const
{
    return space == kXpsNamespace || space == kOpenXpsNamespace || std::find(m_local.begin(), m_local.end(), space) != m_local.end();
}

const std::vector<MarkupAttribute>& MarkupReader::Parse::Attributes(const char** attributes)
{
    m_attributes.clear();
    bool folded = false;
    for (; *attributes != nullptr; attributes += 2) {
        const ExpandedName name = Expand(attributes[0]);
        const std::string_view value = attributes[1];
        if (name.space.empty()) {
            m_attributes.push_back({name.local, value});
        } else if (Local(name.space)) {
            m_attributes.push_back({name.local, value});
            folded = true;
        } else if ((name.space == kXpsKeyNamespace || name.space == kOpenXpsKeyNamespace) && name.local == "Key") {
            m_attributes.push_back({"x:Key", value});
            folded = true;
        } else if (name.space == kXmlNamespace && (name.local == "lang" || name.local == "space")) {
            m_attributes.push_back({name.local == "lang" ? "xml:lang" : "xml:space", value});
        }
    }
    // Only a folded name can repeat: expat has refused two of one namespace and local name.
    if (folded) {
        std::vector<std::string_view> names;
        for (const MarkupAttribute& attribute : m_attributes)
            names.push_back(attribute.name);
        std::sort(names.begin(), names.end());
        if (std::adjacent_find(names.begin(), names.end()) != names.end())
            ThrowDocument(XPS_E_INVALID_MARKUP);
    }
    return m_attributes;
}

MarkupReader::MarkupReader(MarkupHandler& handler, std::initializer_list<std::string_view> localNamespaces)
    : m_parse(std::make_unique<Parse>(handler, localNamespaces))
{
}

MarkupReader::MarkupReader(MarkupTextHandler& handler, std::initializer_list<std::string_view> localNamespaces)
    : m_parse(std::make_unique<Parse>(handler, localNamespaces))
{
    m_parse->ReadText(handler);
}

MarkupReader::~MarkupReader() = default;

void MarkupReader::Feed(const void* data, std::size_t size)
{
    m_parse->Feed(static_cast<const char*>(data), size);
}

void MarkupReader::Finish()
{
    m_parse->Finish();
}

std::string_view MarkupReader::Namespace(std::string_view prefix) const
{
    return m_parse->Namespace(prefix);
}
