// What a package's print tickets ask of the print job, merged as Windows merges them, kept in the Print
// Schema's own terms for the print service to map onto what its printer takes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xps/ticket/print_ticket.h"

class PackageReader;

// Each setting is unset where no ticket says it. Options are the keywords' local names.
struct PrintSettings {
    // JobCopiesAllDocuments, else DocumentCopiesAllPages.
    std::optional<int> copies;
    // OneSided, TwoSidedLongEdge, TwoSidedShortEdge.
    std::optional<std::string> sides;
    // PageMediaSize, where every page asks the same.
    std::optional<MediaSize> media;
    bool mediaVaries = false;
    // Color, Grayscale, Monochrome.
    std::optional<std::string> outputColor;
    // DocumentCollate.
    std::optional<bool> collated;
    std::optional<int> pagesPerSheet;
    // Within the pages; empty for every page.
    std::vector<PageRange> pageRanges;
    // The pages' bin where they agree, else the document's, else the job's, AutoSelect only where none
    // names another: Manual, Cassette, High...
    std::optional<std::string> inputBin;
    // Plain, Photographic..., Transparency.
    std::optional<std::string> mediaType;
    // None, FitApplicationBleedToImageable...
    std::optional<std::string> scaling;
};

// The package's tickets: the sequence's, each document's over it, each page's over that. The document
// settings (copies, sides, collation, pages per sheet, page ranges) are the first document's; a page
// setting is kept only where every page asks the same. Tickets that are missing, too large or broken
// are no tickets: reading them never fails.
PrintSettings ReadPrintSettings(const PackageReader& package);

// The settings as a few lines of text, handed from the process that read the package to the one that
// prints it. What decoding finds malformed is left unset.
std::string EncodePrintSettings(const PrintSettings& settings);
PrintSettings DecodePrintSettings(std::string_view record);
