#include "xps/ticket/print_ticket.h"

#include <charconv>
#include <limits>

#include "xps/document_failure.h"
#include "xps/markup/expanded_name.h"
#include "xps/markup/xml_space.h"
#include "xps/ticket/ticket_markup.h"

namespace {

// Far past any paper: a larger size is a mistake, not a request.
constexpr std::int64_t kMaxMediaMicrons = 10'000'000;

std::string Keyword(std::string_view local)
{
    std::string name(kPrintSchemaKeywords);
    name += kNameSeparator;
    name += local;
    return name;
}

const TicketOption* FindOption(const TicketMarkup& ticket, std::string_view feature)
{
    const auto found = ticket.features.find(Keyword(feature));
    return found == ticket.features.end() ? nullptr : &found->second;
}

// The keyword of the option the feature chose; nothing for an option of a private namespace.
std::optional<std::string> Chosen(const TicketMarkup& ticket, std::string_view feature)
{
    const TicketOption* option = FindOption(ticket, feature);
    const std::string_view keyword = option != nullptr ? KeywordOf(option->name) : std::string_view();
    return keyword.empty() ? std::nullopt : std::optional<std::string>(keyword);
}

std::optional<std::int64_t> Integer(std::string_view text, std::int64_t least, std::int64_t most)
{
    text = TrimXmlSpace(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < least || value > most)
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> Property(const TicketOption* option, std::string_view name, std::int64_t least, std::int64_t most)
{
    if (option == nullptr)
        return std::nullopt;
    const std::string keyword = Keyword(name);
    for (const TicketProperty& property : option->properties)
        if (property.name == keyword)
            return Integer(property.value, least, most);
    return std::nullopt;
}

const std::string* Parameter(const TicketMarkup& ticket, std::string_view name)
{
    const auto found = ticket.parameters.find(Keyword(name));
    return found == ticket.parameters.end() ? nullptr : &found->second;
}

std::optional<int> Count(const TicketMarkup& ticket, std::string_view parameter)
{
    const std::string* value = Parameter(ticket, parameter);
    const std::optional<std::int64_t> count = value ? Integer(*value, 1, std::numeric_limits<int>::max()) : std::nullopt;
    return count ? std::optional<int>(static_cast<int>(*count)) : std::nullopt;
}

std::optional<int> PagesPerSheet(const TicketMarkup& ticket, std::string_view feature)
{
    const std::optional<std::int64_t> pages = Property(FindOption(ticket, feature), "PagesPerSheet", 1, 1024);
    return pages ? std::optional<int>(static_cast<int>(*pages)) : std::nullopt;
}

// Its width and height, written or through the parameters a custom size refers to.
std::optional<MediaSize> Media(const TicketMarkup& ticket)
{
    const TicketOption* option = FindOption(ticket, "PageMediaSize");
    const std::optional<std::int64_t> width = Property(option, "MediaSizeWidth", 1, kMaxMediaMicrons);
    const std::optional<std::int64_t> height = Property(option, "MediaSizeHeight", 1, kMaxMediaMicrons);
    if (!width || !height)
        return std::nullopt;
    return MediaSize{*width, *height};
}

PrintTicket Interpret(const TicketMarkup& ticket)
{
    PrintTicket read;
    read.job.copies = Count(ticket, "JobCopiesAllDocuments");
    read.job.duplex = Chosen(ticket, "JobDuplexAllDocumentsContiguously");
    read.job.pagesPerSheet = PagesPerSheet(ticket, "JobNUpAllDocumentsContiguously");
    read.job.inputBin = Chosen(ticket, "JobInputBin");
    read.document.copies = Count(ticket, "DocumentCopiesAllPages");
    read.document.duplex = Chosen(ticket, "DocumentDuplex");
    read.document.collate = Chosen(ticket, "DocumentCollate");
    read.document.pagesPerSheet = PagesPerSheet(ticket, "DocumentNUp");
    read.document.inputBin = Chosen(ticket, "DocumentInputBin");
    if (const std::string* ranges = Parameter(ticket, "DocumentPageRanges"))
        read.document.pageRanges = ParsePageRanges(*ranges);
    read.page.mediaSize = Media(ticket);
    read.page.outputColor = Chosen(ticket, "PageOutputColor");
    read.page.inputBin = Chosen(ticket, "PageInputBin");
    read.page.mediaType = Chosen(ticket, "PageMediaType");
    read.page.scaling = Chosen(ticket, "PageScaling");
    return read;
}

template <class T>
void Fill(std::optional<T>& over, const std::optional<T>& under)
{
    if (!over)
        over = under;
}

std::optional<std::uint32_t> PageNumber(std::string_view text)
{
    const std::optional<std::int64_t> page = Integer(text, 1, std::numeric_limits<std::uint32_t>::max());
    return page ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*page)) : std::nullopt;
}

}  // namespace

PrintTicket ReadPrintTicket(std::string_view markup)
{
    try {
        return Interpret(ParseTicketMarkup(markup));
    } catch (const DocumentFailure&) {
        return {};
    }
}

PrintTicket Scoped(PrintTicket ticket, TicketLevel level)
{
    if (level != TicketLevel::Job)
        ticket.job = {};
    if (level == TicketLevel::Page)
        ticket.document = {};
    return ticket;
}

PrintTicket Merged(const PrintTicket& over, const PrintTicket& under)
{
    PrintTicket merged = over;
    Fill(merged.job.copies, under.job.copies);
    Fill(merged.job.duplex, under.job.duplex);
    Fill(merged.job.pagesPerSheet, under.job.pagesPerSheet);
    Fill(merged.job.inputBin, under.job.inputBin);
    Fill(merged.document.copies, under.document.copies);
    Fill(merged.document.duplex, under.document.duplex);
    Fill(merged.document.collate, under.document.collate);
    Fill(merged.document.pagesPerSheet, under.document.pagesPerSheet);
    Fill(merged.document.inputBin, under.document.inputBin);
    Fill(merged.document.pageRanges, under.document.pageRanges);
    Fill(merged.page.mediaSize, under.page.mediaSize);
    Fill(merged.page.outputColor, under.page.outputColor);
    Fill(merged.page.inputBin, under.page.inputBin);
    Fill(merged.page.mediaType, under.page.mediaType);
    Fill(merged.page.scaling, under.page.scaling);
    return merged;
}

std::optional<std::vector<PageRange>> ParsePageRanges(std::string_view text)
{
    std::vector<PageRange> ranges;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const std::optional<std::uint32_t> first = PageNumber(item.substr(0, dash));
        const std::optional<std::uint32_t> last = dash == std::string_view::npos ? first : PageNumber(item.substr(dash + 1));
        if (!first || !last || *last < *first)
            return std::nullopt;
        ranges.push_back({*first, *last});
        if (comma == std::string_view::npos)
            return ranges;
        text.remove_prefix(comma + 1);
    }
}
