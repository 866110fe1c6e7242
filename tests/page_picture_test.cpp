// Pages that begin with a photograph: which pages the layer draws the picture of, what it reads from a
// JPEG's header, and the pictures it draws looking as libgxps draws them, carried as the JPEG they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "page_picture.h"
#include "rendered_pdf.h"

namespace {

const std::string kDocuments = WRENPAGE_DOCUMENTS;

const std::string kPicture =
    R"(<Path Data="M 48,48 L 768,48 L 768,588 L 48,588 Z"><Path.Fill><ImageBrush ImageSource="/p.jpg" )"
    R"(Viewbox="0,0,864,648" ViewboxUnits="Absolute" Viewport="48,48,720,540" ViewportUnits="Absolute"/>)"
    R"(</Path.Fill></Path>)";
const std::string kCaption = R"(<Glyphs FontUri="/f.ttf" FontRenderingEmSize="18" OriginX="48" OriginY="640" UnicodeString="A"/>)";

std::string Page(const std::string& content)
{
    return R"(<FixedPage xmlns="http://schemas.microsoft.com/xps/2005/06" Width="816" Height="1056">)" + content +
           "</FixedPage>";
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

TEST(PagePicture, APictureFirstOnThePageIsSplitFromTheRest)
{
    const std::string single = Replace(kPicture, "\"", "'");
    const std::string compact = Replace(kPicture, "M 48,48 L 768,48 L 768,588 L 48,588 Z", "M48,48L768,48 768,588 48,588z");
    for (const auto& [before, picture] : std::vector<std::pair<std::string, std::string>>{
             {"", kPicture}, {R"(<?xml version="1.0"?><!-- by hand -->)", kPicture}, {"", single}, {"", compact},
             {"", Replace(kPicture, "ViewportUnits=\"Absolute\"", "TileMode=\"None\"")},
             {"", Replace(kPicture, "<Path Data", R"(<Path Name="Scan1" xml:lang="en-GB" Data)")}}) {
        const std::string markup = before + Page("\n  " + picture + kCaption);
        const std::optional<SplitPage> split = SplitPagePicture(markup);
        ASSERT_TRUE(split) << markup;
        EXPECT_EQ(split->rest, before + Page("\n  " + kCaption));
        EXPECT_EQ(split->picture.source, "/p.jpg");
        EXPECT_EQ(split->picture.outline.size(), 4u);
        EXPECT_EQ(split->picture.viewbox.width, 864);
        EXPECT_EQ(split->picture.viewport.x, 48);
        EXPECT_FALSE(split->picture.nonZero);
    }
    const std::optional<SplitPage> star = SplitPagePicture(Page(Replace(kPicture, "M 48,48", "F 1 M 48,48")));
    ASSERT_TRUE(star);
    EXPECT_TRUE(star->picture.nonZero);
}

TEST(PagePicture, PagesThatDrawAnythingElseFirstAreLeftToLibgxps)
{
    const std::string brush = "<ImageBrush ImageSource";
    for (const std::string& markup : {
             Page(Replace(kPicture, brush, R"(<ImageBrush Opacity="0.5" ImageSource)")),
             Page(Replace(kPicture, brush, R"(<ImageBrush Transform="1,0,0,1,5,5" ImageSource)")),
             Page(Replace(kPicture, brush, R"(<ImageBrush TileMode="Tile" ImageSource)")),
             Page(Replace(kPicture, "ViewboxUnits=\"Absolute\"", "ViewboxUnits=\"RelativeToBoundingBox\"")),
             Page(Replace(kPicture, "<Path Data", R"(<Path RenderTransform="2,0,0,2,0,0" Data)")),
             Page(Replace(kPicture, "<Path Data", R"(<Path Clip="M 0,0 L 9,0 L 9,9 Z" Data)")),
             Page(Replace(kPicture, "<Path Data", R"(<Path Opacity="0.5" Data)")),
             Page(Replace(kPicture, "<Path Data", R"(<Path Stroke="#FF000000" Data)")),
             Page(Replace(kPicture, "L 768,588", "C 768,588 700,600 768,588")),
             Page(Replace(kPicture, "M 48,48 L", "m 48,48 l")),
             Page(Replace(kPicture, " Z\"", " Z M 0,0 L 9,0 L 9,9 Z\"")),
             Page(Replace(kPicture, "Path.Fill>", "Path.Stroke>")),
             Page(Replace(kPicture, "</Path.Fill>", "</Path.Fill><Path.Data>M 0,0 L 9,9</Path.Data>")),
             Page(Replace(kPicture, "/></Path.Fill>", "/>text</Path.Fill>")),
             Page(Replace(kPicture, "<ImageBrush", "<ImageBrush ImageSource=\"/q.jpg\"/><ImageBrush")),
             Page(kCaption + kPicture),
             Page("<Canvas>" + kPicture + "</Canvas>"),
             Page("<FixedPage.Resources><ResourceDictionary/></FixedPage.Resources>" + kPicture),
             Page(R"(<Path Data="M 0,0 L 9,0 L 9,9 Z" Fill="{StaticResource Picture}"/>)"),
             std::string(R"(<FixedPage xmlns="http://schemas.microsoft.com/xps/2005/06"/>)"),
             Page(Replace(kPicture, "</Path.Fill></Path>", "</Path.Fill>")),
         })
        EXPECT_FALSE(SplitPagePicture(markup)) << markup;
}

// The start of a JPEG: JFIF header (units, densities), then a frame header.
std::vector<unsigned char> JpegStart(int frame, int precision, int components, int unit, int density,
                                     bool adobe = false)
{
    std::vector<unsigned char> bytes{0xFF, 0xD8};
    if (unit >= 0) {
        const auto high = static_cast<unsigned char>(density >> 8);
        const auto low = static_cast<unsigned char>(density & 0xFF);
        bytes.insert(bytes.end(), {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, static_cast<unsigned char>(unit),
                                   high, low, high, low, 0, 0});
    }
    if (adobe)
        bytes.insert(bytes.end(), {0xFF, 0xEE, 0, 14, 'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1});
    bytes.insert(bytes.end(), {0xFF, static_cast<unsigned char>(frame), 0, 17, static_cast<unsigned char>(precision),
                               0x08, 0xCA, 0x0B, 0xB8, static_cast<unsigned char>(components)});
    bytes.resize(bytes.size() + 9);
    return bytes;
}

TEST(PagePicture, AJpegHeaderGivesSizeAndResolutionOfTheKindsEveryReaderDecodes)
{
    const auto read = [](const std::vector<unsigned char>& bytes) { return ReadJpegInfo(bytes.data(), bytes.size()); };
    const std::optional<JpegInfo> baseline = read(JpegStart(0xC0, 8, 3, 1, 300));
    ASSERT_TRUE(baseline);
    EXPECT_EQ(baseline->width, 3000);
    EXPECT_EQ(baseline->height, 2250);
    EXPECT_EQ(baseline->resolutionX, 300);
    const std::optional<JpegInfo> metric = read(JpegStart(0xC2, 8, 1, 2, 118));
    ASSERT_TRUE(metric);
    EXPECT_NEAR(metric->resolutionY, 299.72, 1e-9);
    // Without a JFIF header, or with an aspect ratio for units, libgxps takes 96 dpi.
    for (const int unit : {-1, 0}) {
        const std::optional<JpegInfo> plain = read(JpegStart(0xC1, 8, 3, unit, 72));
        ASSERT_TRUE(plain);
        EXPECT_EQ(plain->resolutionX, 96);
    }

    // Arithmetic-coded, lossless, 12-bit, CMYK, Adobe's colour transform, cut short, or no JPEG at all.
    std::vector<unsigned char> cut = JpegStart(0xC0, 8, 3, 1, 300);
    cut.resize(24);
    for (const std::vector<unsigned char>& bytes :
         {JpegStart(0xC9, 8, 3, 1, 300), JpegStart(0xC3, 8, 3, 1, 300), JpegStart(0xC0, 12, 3, 1, 300),
          JpegStart(0xC0, 8, 4, 1, 300), JpegStart(0xC0, 8, 3, 1, 300, true), cut,
          std::vector<unsigned char>{0x89, 'P', 'N', 'G', 0, 0, 0, 0}})
        EXPECT_FALSE(read(bytes));
}

// Pixels of each page of a PDF drawn by pdftoppm: its PPM images one after the other.
std::vector<std::string> PagePixels(const std::string& ppm)
{
    std::vector<std::string> pages;
    std::istringstream in(ppm);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    while (in >> magic >> width >> height >> maximum && in.get() && magic == "P6") {
        std::string pixels(static_cast<std::size_t>(width) * height * 3, '\0');
        in.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
        pages.push_back(std::move(pixels));
    }
    return pages;
}

// The placements document pairs each page the layer draws the picture of with the same picture
// placed the same way that libgxps draws: whole, cut, in a triangle, in a smaller outline, in a star
// by either fill rule.
TEST(PagePicture, PicturesTheLayerDrawsLookAsLibgxpsDrawsThemAndGoAsJpeg)
{
    const std::string document = kDocuments + "/placements.xps";
    std::istringstream list(ReadRendered(document, "pdfimages -list"));
    std::string line;
    std::getline(list, line);
    std::getline(list, line);
    std::vector<std::string> encodings;
    for (int page, number; list >> page >> number;) {
        std::string type, width, height, colour, components, bits, encoding;
        list >> type >> width >> height >> colour >> components >> bits >> encoding;
        std::getline(list, line);
        encodings.push_back(encoding);
    }
    const std::vector<std::string> pairs{"jpeg", "image"};
    ASSERT_EQ(encodings.size(), 12u);
    for (std::size_t page = 0; page < encodings.size(); ++page)
        EXPECT_EQ(encodings[page], pairs[page % 2]) << "page " << page + 1;

    const std::vector<std::string> pages = PagePixels(ReadRendered(document, "pdftoppm -r 96"));
    ASSERT_EQ(pages.size(), 12u);
    for (std::size_t page = 0; page + 1 < pages.size(); page += 2) {
        ASSERT_EQ(pages[page].size(), pages[page + 1].size());
        std::uint64_t difference = 0;
        for (std::size_t i = 0; i < pages[page].size(); ++i)
            difference += static_cast<std::uint64_t>(std::abs(static_cast<unsigned char>(pages[page][i]) -
                                                              static_cast<unsigned char>(pages[page + 1][i])));
        // Flat blocks of colour: a placement two pixels off differs along every edge by more than 1,
        // where the two pictures' own smoothing differs by less than half that.
        EXPECT_LT(static_cast<double>(difference) / pages[page].size(), 1.0) << "pages " << page + 1 << " and " << page + 2;
    }
}

}  // namespace
