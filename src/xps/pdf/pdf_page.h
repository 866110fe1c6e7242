// Pages and the link annotations on them.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "xps/pdf/pdf_content.h"
#include "xps/pdf/pdf_resources.h"
#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"

struct PdfPageSetup {
    explicit PdfPageSetup(const PdfRect& mediaBox) : mediaBox(mediaBox) {}

    PdfRect mediaBox;
    std::optional<PdfRect> bleedBox;
    std::optional<PdfRect> trimBox;
    std::optional<PdfRect> artBox;
    std::vector<PdfRef> annotations;  // from WriteUriLink, WritePageLink
};

// Writes the content stream, then the page as the next in the document; the page's number may have
// been reserved ahead for links to it. The content is taken, so that it is deflated without a copy.
void WritePage(PdfWriter& writer, PdfRef page, const PdfPageSetup& setup, PdfContent content,
               const PdfResources& resources);

// An area of the page, in its default space, that opens a URI; bytes a URI may not hold are
// %-escaped.
PdfRef WriteUriLink(PdfWriter& writer, const PdfRect& area, std::string_view uri);
// An area that goes to a page, with (left, top) of that page's default space at the window's corner.
PdfRef WritePageLink(PdfWriter& writer, const PdfRect& area, PdfRef page, double left, double top);
