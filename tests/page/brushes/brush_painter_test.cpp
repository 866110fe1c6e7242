// Brushes placed on a path: the shadings, patterns and masks they are written as.
#include "page/painted_page.h"

using painted::PaintedPage;

namespace {

std::string Filled(const std::string& brush)
{
    return R"(<Path Data="M 0,0 L 10,0 10,10 Z"><Path.Fill>)" + brush + "</Path.Fill></Path>";
}

std::string Stops(const std::string& brush, const std::string& last)
{
    return "<" + brush + ".GradientStops><GradientStop Color=\"#FF0000\" Offset=\"0\"/><GradientStop Color=\"" + last +
           "\" Offset=\"1\"/></" + brush + ".GradientStops>";
}

constexpr const char* kPatternFill = "q\nq\n/Pattern cs\n/P0 scn\n0.75 0 0 -0.75 0 75 cm\n";

}  // namespace

TEST(Brushes, ALinearGradientIsAnAxialShadingBetweenItsPointsPlacedOnThePage)
{
    PaintedPage page;
    EXPECT_EQ(page.Paint(Filled(R"(<LinearGradientBrush MappingMode="Absolute" StartPoint="0,0" EndPoint="10,0">)" +
                                Stops("LinearGradientBrush", "#0000FF") + "</LinearGradientBrush>"))
                  .rfind(kPatternFill, 0),
              0u);
    const std::string pdf = page.Finished();
    EXPECT_NE(pdf.find("<</ShadingType 2/ColorSpace /DeviceRGB/Coords [0 0 10 0]/Domain [0 1]/Function <</FunctionType 2/Domain "
                       "[0 1]/C0 [1 0 0]/C1 [0 0 1]/N 1>>"),
              std::string::npos);
    EXPECT_NE(pdf.find("/PatternType 2/Shading 2 0 R/Matrix [0.75 0 0 -0.75 0 75]>>"), std::string::npos);
}

TEST(Brushes, ARadialGradientOfTranslucentStopsCarriesItsAlphaAsALuminosityMask)
{
    PaintedPage page;
    const std::string content = page.Paint(
        Filled(R"(<RadialGradientBrush MappingMode="Absolute" Center="5,5" GradientOrigin="5,5" RadiusX="5" RadiusY="5">)" +
               Stops("RadialGradientBrush", "#800000FF") + "</RadialGradientBrush>"));
    EXPECT_EQ(content.rfind("q\nq\n/G0 gs\n/Pattern cs\n/P0 scn\n", 0), 0u);
    const std::string pdf = page.Finished();
    // The unit circle of the shading is the brush's ellipse.
    EXPECT_NE(pdf.find("<</ShadingType 3/ColorSpace /DeviceRGB/Coords [0 0 0 0 0 1]"), std::string::npos);
    EXPECT_NE(pdf.find("/Matrix [3.75 0 0 -3.75 3.75 71.25]"), std::string::npos);
    EXPECT_NE(pdf.find("<</ShadingType 3/ColorSpace /DeviceGray/Coords [0 0 0 0 0 1]/Domain [0 1]/Function <</FunctionType 2/Domain "
                       "[0 1]/C0 [1]/C1 [0.50196]"),
              std::string::npos);
    EXPECT_NE(pdf.find("<</Type /Mask/S /Luminosity/G 6 0 R/BC [0 0 0]>>"), std::string::npos);
}

TEST(Brushes, AnImageBrushFlippedInXTilesACellOfTheImageAndItsMirror)
{
    PaintedPage page({{"Images/a.png", MakePng(Gradient(2, 2, 3))}});
    EXPECT_EQ(page.Paint(Filled(R"(<ImageBrush ImageSource="/Images/a.png" Viewbox="0,0,2,2" ViewboxUnits="Absolute" )"
                                R"(Viewport="0,0,5,5" ViewportUnits="Absolute" TileMode="FlipX"/>)"))
                  .rfind(kPatternFill, 0),
              0u);
    const std::string pdf = page.Finished();
    EXPECT_NE(pdf.find("/Subtype /Image/Width 2/Height 2"), std::string::npos);
    EXPECT_NE(pdf.find("/PatternType 1/PaintType 1/TilingType 1/BBox [0 0 10 5]/XStep 10/YStep 5"), std::string::npos);
    // Each copy clipped to the viewport, the image's 2 pixels a side (its first row at the top) onto 5 units.
    const std::string copy = "0 0 5 5 re\nW\nn\n5 0 0 -5 0 5 cm\n/X0 Do\nQ\n";
    EXPECT_EQ(painted::StreamOf(pdf, "/PatternType 1"), "q\n1 0 0 1 0 0 cm\n" + copy + "q\n-1 0 0 1 10 0 cm\n" + copy);
}

TEST(Brushes, AVisualBrushDrawsItsVisualOnceAsAFormTheCellShows)
{
    PaintedPage page;
    EXPECT_EQ(page.Paint(Filled(R"(<VisualBrush Viewbox="0,0,4,4" ViewboxUnits="Absolute" Viewport="0,0,4,4" ViewportUnits="Absolute" )"
                                R"(TileMode="Tile"><VisualBrush.Visual><Path Data="M 0,0 L 2,0 2,2 Z" Fill="#FF00FF"/>)"
                                R"(</VisualBrush.Visual></VisualBrush>)"))
                  .rfind(kPatternFill, 0),
              0u);
    const std::string pdf = page.Finished();
    EXPECT_NE(pdf.find("/PatternType 1/PaintType 1/TilingType 1/BBox [0 0 4 4]/XStep 4/YStep 4"), std::string::npos);
    EXPECT_NE(painted::StreamOf(pdf, "/Subtype /Form/BBox [0 0 4 4]").find("1 0 1 rg\n0 0 m\n2 0 l\n2 2 l\nh\nf*\n"), std::string::npos);
    EXPECT_NE(painted::StreamOf(pdf, "/PatternType 1").find("/X0 Do"), std::string::npos);
}
