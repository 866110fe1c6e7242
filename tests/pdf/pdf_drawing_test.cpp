// What poppler draws from pages made with the writer, probed at single points.
#include <zlib.h>

#include "test_pdf.h"
#include "xps/pdf/pdf_form.h"
#include "xps/pdf/pdf_gradient.h"
#include "xps/pdf/pdf_graphics_state.h"
#include "xps/pdf/pdf_image.h"
#include "xps/pdf/pdf_page.h"

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlack{0, 0, 0};

// A document of one 200-point square page, its content drawn by draw.
template <class Draw>
void OnePage(TestPdf& pdf, Draw draw)
{
    PdfWriter writer(pdf.Sink());
    PdfContent content;
    PdfResources resources;
    draw(writer, content, resources);
    WritePage(writer, writer.Reserve(), PdfPageSetup({0, 0, 200, 200}), content, resources);
    writer.Finish("");
    EXPECT_TRUE(pdf.Sound());
}

void FillRect(PdfContent& content, const PdfRect& rect)
{
    content.Rectangle(rect);
    content.Fill(PdfFillRule::NonZero);
}

PdfGradient Gradient(std::vector<PdfGradientStop> stops)
{
    PdfGradient gradient;
    gradient.stops = std::move(stops);
    return gradient;
}

}  // namespace

TEST(Drawing, AFilledRectangleIsItsColourAndNothingAround)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter&, PdfContent& content, PdfResources&) {
        content.FillRgb(1, 0, 0);
        FillRect(content, {10, 10, 50, 50});
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 30, 30), kRed));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 60, 30), kWhite));
}

TEST(Drawing, AHalfTransparentFillBlendsWithWhite)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        PdfGraphicsState half;
        half.fillAlpha = 0.5;
        content.GraphicsState(resources.ExtGState(WriteGraphicsState(writer, half)));
        content.FillRgb(0, 0, 1);
        FillRect(content, {0, 0, 100, 100});
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 50, 50), {128, 128, 255}));
}

TEST(Drawing, AnAxialGradientPassesThroughEveryStop)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        const PdfGradient gradient = Gradient({{0, {1, 0, 0}}, {0.5, {0, 1, 0}}, {1, {0, 0, 1}}});
        const PdfRef shading = WriteAxialShading(writer, gradient, {0, 0, 200, 0});
        content.FillPattern(resources.Pattern(WriteShadingPattern(writer, shading, {})));
        FillRect(content, {0, 0, 200, 200});
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 50, 100), {128, 128, 0}));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 100, 100), {0, 255, 0}));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 150, 100), {0, 128, 128}));
}

TEST(Drawing, AGradientHoldsItsEndColoursBeyondItsFirstAndLastStops)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        const PdfGradient gradient = Gradient({{0.25, {1, 0, 0}}, {0.5, {0, 0, 1}}, {0.5, {0, 1, 0}}});
        content.Rectangle({0, 0, 200, 200});
        content.Clip(PdfFillRule::NonZero);
        content.EndPath();
        content.Shade(resources.Shading(WriteAxialShading(writer, gradient, {0, 0, 200, 0})));
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 20, 100), kRed));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 75, 100), {128, 0, 128}));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 180, 100), {0, 255, 0}));
}

TEST(Drawing, ARadialGradientRunsFromItsCentreOutwards)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        const PdfGradient gradient = Gradient({{0, {1, 1, 1}}, {1, {0, 0, 0}}});
        const PdfRef shading = WriteRadialShading(writer, gradient, {100, 100, 0, 100, 100, 80});
        content.FillPattern(resources.Pattern(WriteShadingPattern(writer, shading, {})));
        FillRect(content, {0, 0, 200, 200});
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 140, 100), {128, 128, 128}, 6));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 5, 5), kBlack));
}

TEST(Drawing, ATilingPatternRepeatsItsCell)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        PdfContent cell;
        cell.FillGray(0);
        FillRect(cell, {0, 0, 5, 5});
        const PdfRef tile = WriteTilingPattern(writer, PdfTilingSetup({0, 0, 10, 10}, 10, 10), cell, PdfResources());
        content.FillPattern(resources.Pattern(tile));
        FillRect(content, {0, 0, 100, 100});
    });
    for (double x : {2.5, 32.5, 92.5}) {
        EXPECT_TRUE(NearColor(pdf.Pixel(1, x, x), kBlack));
        EXPECT_TRUE(NearColor(pdf.Pixel(1, x + 5, x + 5), kWhite));
    }
}

TEST(Drawing, AFormIsDrawnWhereverItIsUsed)
{
    TestPdf pdf;
    OnePage(pdf, [](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        PdfContent square;
        square.FillRgb(1, 0, 0);
        FillRect(square, {0, 0, 20, 20});
        const PdfRef form = WriteForm(writer, PdfFormSetup({0, 0, 20, 20}, {1, 0, 0, 1, 100, 0}), square, PdfResources());
        EXPECT_EQ(resources.XObject(form), resources.XObject(form));
        content.Draw(resources.XObject(form));
        content.Save();
        content.Transform({1, 0, 0, 1, 0, 150});
        content.Draw(resources.XObject(form));
        content.Restore();
    });
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 110, 10), kRed));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 110, 160), kRed));
    EXPECT_TRUE(NearColor(pdf.Pixel(1, 10, 10), kWhite));
}

TEST(Drawing, SoftMasksShowByTheirGroupsAlphaOrLightnessAndHideWhatItLeavesUnpainted)
{
    // The group paints its lower half opaque, white on the left and black on the right.
    struct Case {
        PdfMaskSource source;
        Rgb onBlack;
    };
    for (const Case& test : {Case{PdfMaskSource::Alpha, kRed}, Case{PdfMaskSource::Luminosity, kWhite}}) {
        TestPdf pdf;
        OnePage(pdf, [&](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
            PdfContent group;
            group.FillGray(1);
            FillRect(group, {0, 0, 100, 100});
            group.FillGray(0);
            FillRect(group, {100, 0, 200, 100});
            PdfGraphicsState masked;
            masked.softMask = WriteSoftMask(writer, test.source, PdfFormSetup({0, 0, 200, 200}), group, PdfResources());
            content.Save();
            content.GraphicsState(resources.ExtGState(WriteGraphicsState(writer, masked)));
            content.FillRgb(1, 0, 0);
            FillRect(content, {0, 0, 200, 200});
            content.Restore();
        });
        EXPECT_TRUE(NearColor(pdf.Pixel(1, 50, 50), kRed));
        EXPECT_TRUE(NearColor(pdf.Pixel(1, 150, 50), test.onBlack));
        EXPECT_TRUE(NearColor(pdf.Pixel(1, 100, 150), kWhite));
    }
}

TEST(Drawing, ImagesDrawTheirPixelsWhetherDeflatedHereOrAlreadyPngEncoded)
{
    // Two pixels, red then green; the PNG rows each lead with filter type 0.
    const std::string pixels("\xFF\x00\x00\x00\xFF\x00", 6);
    const std::string row = std::string(1, '\0') + pixels;
    std::string png(compressBound(row.size()), '\0');
    uLongf packed = png.size();
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(png.data()), &packed, reinterpret_cast<const Bytef*>(row.data()),
                       row.size()),
              Z_OK);
    png.resize(packed);

    TestPdf pdf;
    OnePage(pdf, [&](PdfWriter& writer, PdfContent& content, PdfResources& resources) {
        PdfImage image;
        image.width = 2;
        image.height = 1;
        const PdfRef deflated = writer.WriteStream(ImageDictionary(image), pixels);
        const PdfRef encoded = writer.WriteStream(ImageDictionary(image), png,
                                                  PdfEncoding::Encoded("FlateDecode", PngPredictor(3, 8, 2)));
        for (auto [drawn, y] : {std::pair{deflated, 0.0}, std::pair{encoded, 100.0}}) {
            content.Save();
            content.Transform({100, 0, 0, 50, 0, y});
            content.Draw(resources.XObject(drawn));
            content.Restore();
        }
    });
    for (double y : {25.0, 125.0}) {
        EXPECT_TRUE(NearColor(pdf.Pixel(1, 25, y), kRed));
        EXPECT_TRUE(NearColor(pdf.Pixel(1, 75, y), {0, 255, 0}));
    }
}
