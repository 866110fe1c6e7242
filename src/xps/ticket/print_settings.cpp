#include "xps/ticket/print_settings.h"

#include <algorithm>
#include <initializer_list>
#include <map>

#include "xps/document_failure.h"
#include "xps/markup/markup_namespaces.h"
#include "xps/markup/markup_reader.h"
#include "xps/package/package_reader.h"
#include "xps/package/part_name.h"

namespace {

constexpr std::string_view kXpsTicketRelationship = "http://schemas.microsoft.com/xps/2005/06/printticket";
constexpr std::string_view kOpenXpsTicketRelationship = "http://schemas.openxps.org/oxps/v1.0/printticket";
// A page's relationships list its resources too; past this they are not searched for its ticket.
constexpr std::uint32_t kMaxRelationshipsBytes = 16u << 20;

// The first print ticket relationship's target.
class TicketRelationship final : public MarkupHandler {
public:
    void StartElement(std::string_view name, const std::vector<MarkupAttribute>& attributes) override
    {
        const std::optional<std::string_view> type = FindAttribute(attributes, "Type");
        const std::optional<std::string_view> target = FindAttribute(attributes, "Target");
        if (!m_target && name == "Relationship" && type && target &&
            (*type == kXpsTicketRelationship || *type == kOpenXpsTicketRelationship))
            m_target = std::string(*target);
    }
    void EndElement(std::string_view) override {}

    const std::optional<std::string>& Target() const { return m_target; }

private:
    std::optional<std::string> m_target;
};

// Every ticket part read once: Windows' writer gives each page a ticket, most of them one shared part.
class TicketParts {
public:
    explicit TicketParts(const PackageReader& package) : m_package(package) {}

    // What the ticket of part asks at that level; nothing where it has none.
    PrintTicket Of(const std::string& part, TicketLevel level)
    {
        const ZipPart* ticket = TicketPartOf(part);
        if (ticket == nullptr || ticket->size > kMaxTicketBytes)
            return {};
        auto read = m_read.find(ticket);
        if (read == m_read.end())
            read = m_read.emplace(ticket, Read(*ticket)).first;
        return Scoped(read->second, level);
    }

private:
    // A part that does not inflate is no more a ticket than markup that does not parse.
    PrintTicket Read(const ZipPart& ticket) const
    {
        try {
            return ReadPrintTicket(m_package.Read(PartName(ticket.name)));
        } catch (const DocumentFailure&) {
            return {};
        }
    }

    const ZipPart* TicketPartOf(const std::string& part) const
    {
        const std::size_t slash = part.rfind('/') + 1;
        const std::string name = part.substr(0, slash) + "_rels/" + part.substr(slash) + ".rels";
        const ZipPart* relationships = m_package.Find(name);
        if (relationships == nullptr || relationships->size > kMaxRelationshipsBytes)
            return nullptr;
        TicketRelationship ticket;
        try {
            m_package.ReadMarkup(*relationships, ticket, {kRelationshipsNamespace});
        } catch (const DocumentFailure&) {
            return nullptr;
        }
        const std::optional<PartReference> target = ticket.Target() ? ResolvePart(part, *ticket.Target()) : std::nullopt;
        return target ? m_package.Find(target->part) : nullptr;
    }

    const PackageReader& m_package;
    std::map<const ZipPart*, PrintTicket> m_read;
};

// A page setting, kept while every page asks the same.
template <class T>
class Agreement {
public:
    void Add(const std::optional<T>& value)
    {
        if (m_pages++ == 0)
            m_value = value;
        else if (m_value != value)
            m_varies = true;
    }
    std::optional<T> Value() const { return m_varies ? std::nullopt : m_value; }
    bool Varies() const { return m_varies; }

private:
    std::size_t m_pages = 0;
    std::optional<T> m_value;
    bool m_varies = false;
};

struct PageAgreement {
    Agreement<MediaSize> media;
    Agreement<std::string> outputColor;
    Agreement<std::string> inputBin;
    Agreement<std::string> mediaType;
    Agreement<std::string> scaling;

    void Add(const PageFeatures& page)
    {
        media.Add(page.mediaSize);
        outputColor.Add(page.outputColor);
        inputBin.Add(page.inputBin);
        mediaType.Add(page.mediaType);
        scaling.Add(page.scaling);
    }
};

std::vector<PageRange> Clamped(const std::vector<PageRange>& ranges, std::size_t pages)
{
    std::vector<PageRange> clamped;
    for (const PageRange& range : ranges)
        if (range.first <= pages)
            clamped.push_back({range.first, static_cast<std::uint32_t>(std::min<std::size_t>(range.last, pages))});
    return clamped;
}

// The most specific bin named: AutoSelect, which writers put on every page by default, names none, and
// leaves a bin the job or document chose in place.
std::optional<std::string> InputBin(std::initializer_list<std::optional<std::string>> bins)
{
    std::optional<std::string> chosen;
    for (const std::optional<std::string>& bin : bins) {
        if (bin && *bin != "AutoSelect")
            return bin;
        chosen = chosen ? chosen : bin;
    }
    return chosen;
}

PrintSettings Settle(const PrintTicket& document, const PageAgreement& pages)
{
    PrintSettings settings;
    settings.copies = document.job.copies ? document.job.copies : document.document.copies;
    settings.sides = document.job.duplex ? document.job.duplex : document.document.duplex;
    settings.media = pages.media.Value();
    settings.mediaVaries = pages.media.Varies();
    settings.outputColor = pages.outputColor.Value();
    if (document.document.collate == "Collated" || document.document.collate == "Uncollated")
        settings.collated = document.document.collate == "Collated";
    settings.pagesPerSheet = document.job.pagesPerSheet ? document.job.pagesPerSheet : document.document.pagesPerSheet;
    settings.inputBin = InputBin({pages.inputBin.Value(), document.document.inputBin, document.job.inputBin});
    settings.mediaType = pages.mediaType.Value();
    settings.scaling = pages.scaling.Value();
    return settings;
}

}  // namespace

PrintSettings ReadPrintSettings(const PackageReader& package)
{
    TicketParts tickets(package);
    const PrintTicket job = tickets.Of(package.Sequence(), TicketLevel::Job);
    std::optional<PrintTicket> first;
    PageAgreement pages;
    for (const DocumentPart& part : package.Documents()) {
        const PrintTicket document = Merged(tickets.Of(part.name, TicketLevel::Document), job);
        if (!first)
            first = document;
        for (std::size_t page = part.firstPage; page != part.firstPage + part.pageCount; ++page)
            pages.Add(Merged(tickets.Of(PartName(package.Pages()[page]->name), TicketLevel::Page), document).page);
    }
    PrintSettings settings = Settle(first.value_or(job), pages);
    // A document's ranges count its own pages, which one job's ranges can say only of a lone document.
    if (first && first->document.pageRanges && package.Documents().size() == 1)
        settings.pageRanges = Clamped(*first->document.pageRanges, package.Documents()[0].pageCount);
    return settings;
}
