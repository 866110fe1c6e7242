// Whole documents made with every kind of object the writer has, as qpdf and poppler read them back.
#include <string_view>
#include <vector>

#include "test_pdf.h"
#include "xps/pdf/pdf_form.h"
#include "xps/pdf/pdf_gradient.h"
#include "xps/pdf/pdf_graphics_state.h"
#include "xps/pdf/pdf_image.h"
#include "xps/pdf/pdf_page.h"

namespace {

// Two pages: the first links to a URI and to the second, reserved ahead; between them every kind of
// resource, a stream fed in pieces, and a number reserved and never used.
void WriteEveryKind(TestPdf& pdf, const std::string& title)
{
    PdfWriter writer(pdf.Sink());
    const PdfRef first = writer.Reserve();
    const PdfRef second = writer.Reserve();
    writer.Reserve();

    PdfResources resources;
    PdfContent content;
    PdfGradient gradient;
    gradient.stops = {{0, {1, 0, 0}}, {0.3, {0, 1, 0}}, {1, {0, 0, 1}}};
    const PdfRef axial = WriteAxialShading(writer, gradient, {0, 0, 100, 0});
    const PdfRef radial = WriteRadialShading(writer, gradient, {50, 50, 0, 50, 50, 50});
    content.FillPattern(resources.Pattern(WriteShadingPattern(writer, radial, {2, 0, 0, 1, 0, 0})));
    content.Rectangle({0, 0, 100, 100});
    content.Fill(PdfFillRule::EvenOdd);

    const PdfRef profile = WriteIccProfile(writer, "not checked by readers of the structure", 3,
                                           PdfValue::Name("DeviceRGB"));
    const PdfRef iccSpace = writer.Write(IccColorSpace(profile));
    content.FillColorSpace(resources.ColorSpace(iccSpace));
    content.FillColor({0.2, 0.4, 0.6});
    content.StrokeColorSpace("DeviceCMYK");
    content.StrokeColor({0, 0, 0, 1});
    content.LineWidth(2);
    content.LineCap(1);
    content.LineJoin(2);
    content.MiterLimit(4);
    content.Dash({3, 1}, 0.5);
    content.MoveTo(10, 10);
    content.CurveTo(20, 30, 40, 30, 50, 10);
    content.LineTo(10, 10);
    content.ClosePath();
    content.FillStroke(PdfFillRule::NonZero);

    PdfImage mask;
    mask.width = 2;
    mask.height = 2;
    mask.colorSpace = PdfValue::Name("DeviceGray");
    mask.bitsPerComponent = 1;
    mask.decode = {1, 0};
    PdfImage image;
    image.width = 2;
    image.height = 2;
    image.colorSpace = IndexedColorSpace(PdfValue::Name("DeviceRGB"), 3, std::string("\xFF\x00\x00\x00\x00\xFF", 6));
    image.softMask = writer.WriteStream(ImageDictionary(mask), std::string("\x40\x80", 2));
    const PdfRef picture = writer.WriteStream(ImageDictionary(image), std::string("\x00\x01\x01\x00", 4));
    content.Draw(resources.XObject(picture));

    PdfGraphicsState translucent;
    translucent.fillAlpha = 0.5;
    translucent.strokeAlpha = 0.25;
    PdfGraphicsState unmasked;
    unmasked.clearSoftMask = true;
    PdfContent maskContent;
    maskContent.Shade(resources.Shading(axial));
    PdfGraphicsState masked;
    masked.softMask = WriteSoftMask(writer, PdfMaskSource::Luminosity, PdfFormSetup({0, 0, 100, 100}), maskContent, resources);
    content.Save();
    content.GraphicsState(resources.ExtGState(WriteGraphicsState(writer, translucent)));
    content.GraphicsState(resources.ExtGState(WriteGraphicsState(writer, masked)));
    PdfFormSetup isolatedGroup({0, 0, 10, 10});
    isolatedGroup.group = true;
    isolatedGroup.isolated = true;
    content.Draw(resources.XObject(WriteForm(writer, isolatedGroup, maskContent, resources)));
    content.GraphicsState(resources.ExtGState(WriteGraphicsState(writer, unmasked)));
    content.Restore();

    PdfContent cell;
    cell.Shade("S0");
    content.FillPattern(resources.Pattern(WriteTilingPattern(writer, PdfTilingSetup({0, 0, 5, 5}, 5, 5), cell, resources)));
    content.Rectangle({0, 0, 20, 20});
    content.Clip(PdfFillRule::EvenOdd);
    content.Fill(PdfFillRule::NonZero);

    content.BeginActualText("Größe");
    content.BeginText();
    content.Font("F0", 12);
    content.TextMatrix({1, 0, 0, 1, 10, 80});
    content.TextRenderMode(7);
    content.ShowGlyphs({{36, 0}, {37, -120}, {38, 0}});
    content.EndText();
    content.EndMarkedContent();

    PdfPageSetup setup({0, 0, 612, 792});
    setup.bleedBox = PdfRect{0, 0, 612, 792};
    setup.trimBox = PdfRect{10, 10, 602, 782};
    setup.artBox = PdfRect{20, 20, 592, 772};
    setup.annotations = {WriteUriLink(writer, {10, 10, 100, 30}, "http://example.com/a b"),
                         WritePageLink(writer, {10, 40, 100, 60}, second, 0, 792)};
    WritePage(writer, first, setup, content, resources);
    WritePage(writer, second, PdfPageSetup({0, 0, 300, 400}), PdfContent(), PdfResources());
    writer.Finish(title);
}

// A field of what pdfinfo prints, "Name:" and spaces before its value.
std::string InfoField(const std::string& info, const std::string& name)
{
    const std::size_t line = ("\n" + info).find("\n" + name + ":");
    if (line == std::string::npos)
        return "<none>";
    const std::size_t value = info.find_first_not_of(' ', line + name.size() + 1);
    return info.substr(value, info.find('\n', value) - value);
}

}  // namespace

TEST(Documents, QpdfFindsNothingWrongWithEveryKindOfObject)
{
    TestPdf pdf;
    WriteEveryKind(pdf, "Every kind");
    EXPECT_TRUE(pdf.Sound());
}

TEST(Documents, BeginWithTheHeaderAndABinaryComment)
{
    TestPdf pdf;
    WriteEveryKind(pdf, "");
    EXPECT_EQ(pdf.Bytes().substr(0, 15), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
}

TEST(Documents, CarryTheirTitleAndProducerThroughInfo)
{
    for (const std::string title : {"Plain title", "Größe und Maß €"}) {
        TestPdf pdf;
        WriteEveryKind(pdf, title);
        const std::string info = pdf.Run("/usr/bin/pdfinfo", {"-enc", "UTF-8"}).out;
        EXPECT_EQ(InfoField(info, "Title"), title);
        EXPECT_EQ(InfoField(info, "Producer"), "wrenpage");
        EXPECT_EQ(InfoField(info, "Pages"), "2");
    }
}

TEST(Documents, LinkToTheirUriAndToAPageReservedAhead)
{
    TestPdf pdf;
    PdfRef uri, toPage, first, second;
    {
        PdfWriter writer(pdf.Sink());
        first = writer.Reserve();
        second = writer.Reserve();
        PdfPageSetup setup({0, 0, 612, 792});
        uri = WriteUriLink(writer, {10, 10, 100, 30}, "http://example.com/a b\xC3\xA9");
        toPage = WritePageLink(writer, {10, 40, 100, 60}, second, 0, 400);
        setup.annotations = {uri, toPage};
        WritePage(writer, first, setup, PdfContent(), PdfResources());
        WritePage(writer, second, PdfPageSetup({0, 0, 300, 400}), PdfContent(), PdfResources());
        writer.Finish("");
    }
    auto object = [&](PdfRef ref) { return pdf.Run("/usr/bin/qpdf", {"--show-object=" + std::to_string(ref.number)}).out; };
    const std::string number = std::to_string(second.number);
    EXPECT_NE(pdf.Run("/usr/bin/qpdf", {"--show-pages"}).out.find("page 2: " + number + " 0 R\n"), std::string::npos);
    EXPECT_NE(object(first).find("/Annots [ " + std::to_string(uri.number) + " 0 R " + std::to_string(toPage.number) + " 0 R ]"),
              std::string::npos);
    EXPECT_NE(object(uri).find("/A << /S /URI /URI (http://example.com/a%20b%C3%A9) >>"), std::string::npos) << object(uri);
    EXPECT_NE(object(toPage).find("/Dest [ " + number + " 0 R /XYZ 0 400 null ]"), std::string::npos) << object(toPage);
    EXPECT_NE(object(toPage).find("/Border [ 0 0 0 ]"), std::string::npos);
}

TEST(Documents, GiveBackStreamsDeflatedInLineAsideAndTooLargeToHoldAside)
{
    TestPdf pdf;
    std::string data;
    for (std::uint32_t i = 0; i < (17u << 20); ++i)
        data += static_cast<char>(i * 7919u % 251);
    const std::vector<std::string_view> streams{std::string_view(data).substr(0, 1000),
                                                std::string_view(data).substr(0, 5u << 20), data};
    std::vector<PdfRef> written;
    {
        PdfWriter writer(pdf.Sink());
        for (std::string_view stream : streams)
            written.push_back(writer.WriteStream(PdfDictionary(), stream));
        WritePage(writer, writer.Reserve(), PdfPageSetup({0, 0, 100, 100}), PdfContent(), PdfResources());
        writer.Finish("");
    }
    EXPECT_LT(pdf.Bytes().size(), data.size());
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::string shown = "--show-object=" + std::to_string(written[i].number);
        EXPECT_TRUE(pdf.Run("/usr/bin/qpdf", {shown, "--filtered-stream-data"}).out == streams[i]) << i;
    }
    EXPECT_TRUE(pdf.Sound());
}
