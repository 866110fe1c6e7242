// The painter on single elements: the operators a fill, a stroke, a clip, opacity and text come out as,
// on a 100 by 100 page whose PDF space is 0.75 points a unit with y up.
#include <fstream>
#include <iterator>

#include "page/painted_page.h"

using painted::PaintedPage;

namespace {

constexpr const char* kTriangle = R"(Data="M 0,0 L 10,0 10,10 Z")";

std::string Path(const std::string& attributes) { return std::string("<Path ") + kTriangle + " " + attributes + "/>"; }

std::vector<std::pair<std::string, std::string>> WithFont()
{
    std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    return {{"Fonts/f.ttf", {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}}};
}

}  // namespace

TEST(Painter, ASolidFillIsItsColourInPageSpaceWithNoStateOfItsOwn)
{
    PaintedPage page;
    EXPECT_EQ(page.Paint(Path(R"(Fill="#FF0000")")), "1 0 0 rg\n0 75 m\n7.5 75 l\n7.5 67.5 l\nh\nf*\n");
}

TEST(Painter, AStrokeScalesItsDashesByThePenAndDrawsCapsPdfHasNotAsShapes)
{
    PaintedPage page;
    const std::string dashed = page.Paint(
        R"(<Path Data="M 0,0 L 10,0" Stroke="#0000FF" StrokeThickness="2" StrokeDashArray="1 2" StrokeDashCap="Round" StrokeLineJoin="Bevel"/>)");
    EXPECT_NE(dashed.find("0 0 1 RG\n0.75 0 0 -0.75 0 75 cm\n2 w\n1 J\n2 j\n10 M\n[2 4] 0 d\n0 0 m\n10 0 l\nS\n"), std::string::npos);

    PaintedPage triangle;
    const std::string capped = triangle.Paint(R"(<Path Data="M 0,0 L 10,0" Stroke="#0000FF" StrokeStartLineCap="Triangle"/>)");
    // A flat stroke, then the triangle filled in the stroke's colour at its start.
    EXPECT_NE(capped.find("0 J\n"), std::string::npos);
    EXPECT_NE(capped.find("S\n0 0 1 rg\n0 -0.5 m\n-0.5 0 l\n0 0.5 l\nh\nf\n"), std::string::npos);
}

TEST(Painter, ACanvasClipsItsChildrenAndRestoresAfterThem)
{
    PaintedPage page;
    EXPECT_EQ(page.Paint(R"(<Canvas Clip="M 0,0 L 50,0 50,50 Z">)" + Path(R"(Fill="#00FF00")") + "</Canvas>"),
              "q\n0 75 m\n37.5 75 l\n37.5 37.5 l\nh\nW*\nn\n0 1 0 rg\n0 75 m\n7.5 75 l\n7.5 67.5 l\nh\nf*\nQ\n");
}

TEST(Painter, ATranslucentCanvasIsAGroupDrawnAtItsOpacity)
{
    PaintedPage page;
    EXPECT_EQ(page.Paint("<Canvas Opacity=\"0.5\">" + Path(R"(Fill="#00FF00")") + "</Canvas>"), "q\n/G0 gs\n/X0 Do\nQ\n");
    const std::string pdf = page.Finished();
    EXPECT_NE(pdf.find("/Group <</S /Transparency"), std::string::npos);
    EXPECT_NE(pdf.find("<</Type /ExtGState/ca 0.5/CA 0.5>>"), std::string::npos);
    EXPECT_NE(painted::StreamOf(pdf, "/Subtype /Form").find("0 1 0 rg"), std::string::npos);
}

TEST(Painter, AnOpacityMaskIsASoftMaskOfItsBrushsAlpha)
{
    PaintedPage page;
    EXPECT_NE(page.Paint(Path(R"(Fill="#00FF00" OpacityMask="#80000000")")).find("q\n/G0 gs\n0 1 0 rg\n"), std::string::npos);
    const std::string pdf = page.Finished();
    EXPECT_NE(pdf.find("<</Type /Mask/S /Alpha/G 3 0 R>>"), std::string::npos);
    EXPECT_NE(pdf.find("<</Type /ExtGState/ca 0.50196>>"), std::string::npos);
    EXPECT_NE(pdf.find("<</Type /ExtGState/SMask 4 0 R>>"), std::string::npos);
}

TEST(Painter, GlyphsAreShownFromTheirOriginWithTheAdvancesTheirIndicesGive)
{
    PaintedPage page(WithFont());
    // 'H' and 'i' of DejaVu Sans, the second 50 hundredths of the em on rather than its own advance.
    EXPECT_EQ(page.Paint(R"(<Glyphs FontUri="/Fonts/f.ttf" FontRenderingEmSize="12" OriginX="10" OriginY="20" UnicodeString="Hi" Indices=";,50" Fill="#000000"/>)"),
              "0 0 0 rg\nBT\n/F0 1 Tf\n9 0 0 9 7.5 60 Tm\n[<002B>0.04688<004C>] TJ\nET\n");
}

TEST(Painter, BoldIsAStrokedOutlineAndItalicASlant)
{
    PaintedPage page(WithFont());
    const std::string content = page.Paint(
        R"(<Glyphs FontUri="/Fonts/f.ttf" FontRenderingEmSize="12" OriginX="10" OriginY="20" UnicodeString="Hi" StyleSimulations="BoldItalicSimulation" Fill="#000000"/>)");
    EXPECT_NE(content.find("0 0 0 rg\n0 0 0 RG\n0.24 w\n"), std::string::npos);
    EXPECT_NE(content.find("BT\n2 Tr\n/F0 1 Tf\n12 0 4.36764 -12 10 20 Tm\n"), std::string::npos);
}

TEST(Painter, AnElementWithAnUnusableValueIsPassedOverAndThePageGoesOn)
{
    PaintedPage page;
    const std::string content = page.Paint("<Canvas>" + Path(R"(Fill="#FF0000")") +
                                           Path(R"(Fill="#00FF00" Clip="M 0,0 L 5,5 0,5 Z" RenderTransform="1e308,0,0,1e308,0,0")") +
                                           Path(R"(Fill="#0000FF")") + "</Canvas>");
    EXPECT_EQ(content, "q\n1 0 0 rg\n0 75 m\n7.5 75 l\n7.5 67.5 l\nh\nf*\n0 0 1 rg\n0 75 m\n7.5 75 l\n7.5 67.5 l\nh\nf*\nQ\n");
}
