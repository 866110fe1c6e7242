// What one print ticket asks of the features this system reads, by the scope their keywords name, and
// tickets merged as the package's are: the job's, each document's over it, each page's over that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Options are kept as the Print Schema keywords' local names ("TwoSidedLongEdge", "Monochrome").

// In microns.
struct MediaSize {
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool operator==(const MediaSize& other) const { return width == other.width && height == other.height; }
    bool operator!=(const MediaSize& other) const { return !(*this == other); }
};

// Pages counted from 1, both ends included.
struct PageRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    bool operator==(const PageRange& other) const { return first == other.first && last == other.last; }
};

struct JobFeatures {
    std::optional<int> copies;          // JobCopiesAllDocuments
    std::optional<std::string> duplex;  // JobDuplexAllDocumentsContiguously
    std::optional<int> pagesPerSheet;   // JobNUpAllDocumentsContiguously
    std::optional<std::string> inputBin;
};

struct DocumentFeatures {
    std::optional<int> copies;           // DocumentCopiesAllPages
    std::optional<std::string> duplex;   // DocumentDuplex
    std::optional<std::string> collate;  // DocumentCollate: Collated, Uncollated
    std::optional<int> pagesPerSheet;    // DocumentNUp
    std::optional<std::string> inputBin;
    std::optional<std::vector<PageRange>> pageRanges;
};

struct PageFeatures {
    std::optional<MediaSize> mediaSize;
    std::optional<std::string> outputColor;  // Color, Grayscale, Monochrome
    std::optional<std::string> inputBin;
    std::optional<std::string> mediaType;
    std::optional<std::string> scaling;
};

struct PrintTicket {
    JobFeatures job;
    DocumentFeatures document;
    PageFeatures page;
};

// The ticket each part of the package may hold: a job ticket may say Job*, Document* and Page*
// keywords, a document ticket Document* and Page*, a page ticket Page* only.
enum class TicketLevel { Job, Document, Page };

// A ticket part larger than this is no ticket: real ones take a few KiB.
constexpr std::size_t kMaxTicketBytes = 1u << 20;

// What a ticket part's markup asks, every scope kept. A ticket that is broken (see ParseTicketMarkup)
// asks nothing: it never fails a print.
PrintTicket ReadPrintTicket(std::string_view markup);
// What a ticket of that level asks, of the keywords it may say.
PrintTicket Scoped(PrintTicket ticket, TicketLevel level);
// over's features, and under's where over says nothing.
PrintTicket Merged(const PrintTicket& over, const PrintTicket& under);

// "1-3, 5" as ranges; nothing where the text is malformed (no number, zero, a range that runs backwards).
std::optional<std::vector<PageRange>> ParsePageRanges(std::string_view text);
