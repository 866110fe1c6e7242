#include "xps/ticket/ticket_markup.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/markup/expanded_name.h"
#include "xps/markup/markup_reader.h"
#include "xps/markup/xml_space.h"

namespace {

enum class Kind { Ticket, Feature, Option, ScoredProperty, ParameterInit, Value, ParameterRef, Other };

// Names are written as QNames in the name attribute; the reader folds the framework's own elements to
// their local names, and skips every other namespace's.
class TicketReader final : public MarkupTextHandler {
public:
    void Read(std::string_view markup)
    {
        m_reader.Feed(markup.data(), markup.size());
        m_reader.Finish();
        if (!m_rooted)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        for (auto& [feature, option] : m_ticket.features)
            for (TicketProperty& property : option.properties)
                Resolve(property);
    }

    TicketMarkup Take() { return std::move(m_ticket); }

    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override
    {
        if (m_open.size() == kMaxTicketDepth)
            ThrowDocument(XPS_E_INVALID_MARKUP);
        const Kind parent = m_open.empty() ? Kind::Other : m_open.back();
        const Kind kind = Place(parent, name);
        m_open.push_back(kind);
        if (kind == Kind::Feature || kind == Kind::ParameterInit) {
            if (++m_features > kMaxTicketFeatures)
                ThrowDocument(XPS_E_INVALID_MARKUP);
        }
        // Only names that are read are resolved: a prefix elsewhere is no concern of this reader's.
        const auto written = [&] { return NameOf(attributes); };
        switch (kind) {
        case Kind::Feature: {
            const auto [feature, added] = m_ticket.features.try_emplace(written());
            m_option = added ? &feature->second : nullptr;
            m_chosen = false;
            break;
        }
        case Kind::Option:
            m_chosen = true;
            m_option->name = written();
            break;
        case Kind::ScoredProperty:
            m_option->properties.push_back({written(), {}});
            m_value = &m_option->properties.back().value;
            break;
        case Kind::ParameterInit: {
            const auto [parameter, added] = m_ticket.parameters.try_emplace(written());
            m_value = added ? &parameter->second : nullptr;
            break;
        }
        case Kind::ParameterRef:
            if (m_value != nullptr)
                *m_value = kReference + written();
            break;
        default:
            break;
        }
    }

    void EndElement(std::string_view) override
    {
        if (m_open.back() == Kind::Feature)
            m_option = nullptr;
        m_open.pop_back();
    }

    void Text(std::string_view text) override
    {
        if (!m_open.empty() && m_open.back() == Kind::Value && m_value != nullptr)
            m_value->append(text);
    }

private:
    // A property's value that is a reference, marked by a character no name or integer holds.
    static constexpr char kReference = '\0';

    Kind Place(Kind parent, std::string_view name)
    {
        if (m_open.empty()) {
            if (name != "PrintTicket")
                ThrowDocument(XPS_E_INVALID_MARKUP);
            m_rooted = true;
            return Kind::Ticket;
        }
        // Features within features, and options past a feature's first, are read no further.
        if (name == "Feature")
            return parent == Kind::Ticket ? Kind::Feature : Kind::Other;
        if (name == "Option" && parent == Kind::Feature && m_option != nullptr && !m_chosen)
            return Kind::Option;
        if (name == "ScoredProperty" && parent == Kind::Option)
            return Kind::ScoredProperty;
        if (name == "ParameterInit" && parent == Kind::Ticket)
            return Kind::ParameterInit;
        if (name == "Value" && (parent == Kind::ScoredProperty || parent == Kind::ParameterInit))
            return Kind::Value;
        if (name == "ParameterRef" && parent == Kind::ScoredProperty)
            return Kind::ParameterRef;
        return Kind::Other;
    }

    std::string NameOf(const std::vector<MarkupAttribute>& attributes) const
    {
        const std::string_view written = TrimXmlSpace(FindAttribute(attributes, "name").value_or(""));
        const std::size_t colon = written.find(':');
        if (colon == std::string_view::npos)
            return std::string(written);
        std::string name(m_reader.Namespace(written.substr(0, colon)));
        name += kNameSeparator;
        name += written.substr(colon + 1);
        return name;
    }

    void Resolve(TicketProperty& property) const
    {
        if (property.value.empty() || property.value[0] != kReference)
            return;
        const auto parameter = m_ticket.parameters.find(property.value.substr(1));
        if (parameter == m_ticket.parameters.end())
            ThrowDocument(XPS_E_INVALID_MARKUP);
        property.value = parameter->second;
    }

    TicketMarkup m_ticket;
    std::vector<Kind> m_open;
    // The option of the feature being read, while its first option is; null within a feature that
    // repeats another.
    TicketOption* m_option = nullptr;
    bool m_chosen = false;
    // Where the Value being read goes.
    std::string* m_value = nullptr;
    std::size_t m_features = 0;
    bool m_rooted = false;
    MarkupReader m_reader{*this, {kPrintSchemaFramework}};
};

}  // namespace

std::string_view KeywordOf(std::string_view name)
{
    const ExpandedName expanded = Expand(name);
    return expanded.space == kPrintSchemaKeywords ? expanded.local : std::string_view();
}

TicketMarkup ParseTicketMarkup(std::string_view markup)
{
    TicketReader reader;
    reader.Read(markup);
    return reader.Take();
}
