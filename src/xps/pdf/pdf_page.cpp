#include "xps/pdf/pdf_page.h"

#include <string>
#include <utility>

namespace {

PdfDictionary Link(const PdfRect& area)
{
    PdfDictionary link;
    link.Set("Type", PdfValue::Name("Annot"))
        .Set("Subtype", PdfValue::Name("Link"))
        .Set("Rect", PdfValue::Rect(area))
        .Set("Border", PdfValue::Reals({0, 0, 0}));
    return link;
}

}  // namespace

void WritePage(PdfWriter& writer, PdfRef page, const PdfPageSetup& setup, PdfContent content,
               const PdfResources& resources)
{
    const PdfRef contents = writer.Reserve();
    writer.WriteDeflated(contents, PdfDictionary(), content.TakeBytes());
    PdfDictionary dictionary;
    dictionary.Set("MediaBox", PdfValue::Rect(setup.mediaBox));
    if (setup.bleedBox)
        dictionary.Set("BleedBox", PdfValue::Rect(*setup.bleedBox));
    if (setup.trimBox)
        dictionary.Set("TrimBox", PdfValue::Rect(*setup.trimBox));
    if (setup.artBox)
        dictionary.Set("ArtBox", PdfValue::Rect(*setup.artBox));
    dictionary.Set("Resources", resources.Value()).Set("Contents", PdfValue::Reference(contents));
    if (!setup.annotations.empty()) {
        PdfArray annotations;
        for (PdfRef annotation : setup.annotations)
            annotations.Add(PdfValue::Reference(annotation));
        dictionary.Set("Annots", annotations.Value());
    }
    writer.WritePage(page, std::move(dictionary));
}

PdfRef WriteUriLink(PdfWriter& writer, const PdfRect& area, std::string_view uri)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string ascii;
    for (char c : uri) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            ascii += c;
        } else {
            ascii += '%';
            ascii += kHexDigits[byte >> 4];
            ascii += kHexDigits[byte & 0xF];
        }
    }
    PdfDictionary action;
    action.Set("S", PdfValue::Name("URI")).Set("URI", PdfValue::Literal(ascii));
    return writer.Write(Link(area).Set("A", action.Value()).Value());
}

PdfRef WritePageLink(PdfWriter& writer, const PdfRect& area, PdfRef page, double left, double top)
{
    PdfArray destination;
    destination.Add(PdfValue::Reference(page))
        .Add(PdfValue::Name("XYZ"))
        .Add(PdfValue::Real(left))
        .Add(PdfValue::Real(top))
        .Add(PdfValue::Null());
    return writer.Write(Link(area).Set("Dest", destination.Value()).Value());
}
