// The translator's geometry: what path data and geometry elements draw, and the PDF paths written.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/geometry/arc.h"
#include "xps/geometry/bounds.h"
#include "xps/geometry/geometry_builder.h"
#include "xps/geometry/line_caps.h"
#include "xps/geometry/path_data.h"
#include "xps/geometry/path_writer.h"
#include "xps/geometry/pdf_space.h"
#include "xps/geometry/xps_numbers.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Fill(std::string_view data, const Matrix& toPdf = {})
{
    SegmentBudget budget;
    return FillPath(ReadGeometry(data, budget), toPdf);
}

HRESULT Failure(std::string_view data)
{
    try {
        Fill(data);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

Point At(const Cubic& c, Point from, double t)
{
    const double s = 1 - t;
    const auto mix = [&](double p0, double p1, double p2, double p3) {
        return s * s * s * p0 + 3 * s * s * t * p1 + 3 * s * t * t * p2 + t * t * t * p3;
    };
    return {mix(from.x, c.control1.x, c.control2.x, c.end.x), mix(from.y, c.control1.y, c.control2.y, c.end.y)};
}

}  // namespace

TEST(PathData, AbsoluteAndRelativeCommandsDrawTheSame)
{
    const std::string absolute = Fill("M 10,10 L 20,10 H 30 V 20 C 30,30 20,30 20,20 Q 10,20 10,10 Z");
    EXPECT_EQ(absolute,
              "10 10 m\n20 10 l\n30 10 l\n30 20 l\n30 30 20 30 20 20 c\n13.333 20 10 16.667 10 10 c\nh\n");
    EXPECT_EQ(Fill("m 10,10 l 10,0 h 10 v 10 c 0,10 -10,10 -10,0 q -10,0 -10,-10 z"), absolute);
}

TEST(PathData, CommandsRepeatAndNumbersSplitAsXmlReadsThem)
{
    // Pairs after a move are lines; "1.5.5" is 1.5 then .5; signs and exponents end the number before.
    EXPECT_EQ(Fill("M1.5.5-2e1+3E0,.5,1"), "1.5 0.5 m\n-20 3 l\n0.5 1 l\nh\n");
    EXPECT_EQ(Fill("m 1,1 2,0 0,2"), "1 1 m\n3 1 l\n3 3 l\nh\n");
    EXPECT_EQ(Fill("M0 0L1 1 2 2"), "0 0 m\n1 1 l\n2 2 l\nh\n");
    // After Z, drawing goes on from where the closed figure began.
    EXPECT_EQ(Fill("M 5,5 L 6,5 Z l 0,1"), "5 5 m\n6 5 l\nh\n5 5 m\n5 6 l\nh\n");
}

TEST(PathData, SmoothCurveReflectsThePreviousControlPoint)
{
    EXPECT_EQ(Fill("M0,0 C 0,10 5,10 10,0 S 20,-10 20,0"),
              "0 0 m\n0 10 5 10 10 0 c\n15 -10 20 -10 20 0 c\nh\n");
    EXPECT_EQ(Fill("M0,0 C 0,10 5,10 10,0 s 10,-10 10,0 s 5,5 5,0"),
              Fill("M0,0 C 0,10 5,10 10,0 S 20,-10 20,0 S 25,5 25,0"));
    // With no curve before it, the first control point is the current point.
    EXPECT_EQ(Fill("M0,0 L 10,0 S 20,10 30,0"), "0 0 m\n10 0 l\n10 0 20 10 30 0 c\nh\n");
    EXPECT_EQ(Fill("M0,0 Q 5,5 10,0 S 20,10 30,0"), Fill("M0,0 Q 5,5 10,0 C 10,0 20,10 30,0"));
}

TEST(PathData, FillRuleIsEvenOddUnlessF1)
{
    SegmentBudget budget;
    EXPECT_EQ(ReadGeometry("M 0,0 L 1,1", budget).fillRule, FillRule::EvenOdd);
    EXPECT_EQ(ReadGeometry("F0 M 0,0 L 1,1", budget).fillRule, FillRule::EvenOdd);
    EXPECT_EQ(ReadGeometry(" F1M 0,0 L 1,1", budget).fillRule, FillRule::NonZero);
}

TEST(PathData, MalformedDataIsInvalidMarkup)
{
    for (const char* data : {"L 1,1", "Z", "M 1", "M 1,1 L", "M 1,,1", "M ,1,1", "M 1,1 L 2,2,", "M 1,1 X 2,2",
                             "F2 M 0,0", "M 0,0 F1", "M 0,0 A 1 1 0 2 0 5 5", "M 1,1 Z 3", "M --1,1", "M +-1,1",
                             "M nan,0", "M inf,1", "M 1e999,0", "M 1e,1", "M .,1", "M 0,0 L 1e308,0 l 1e308,0"})
        EXPECT_EQ(Failure(data), XPS_E_INVALID_MARKUP) << data;
    EXPECT_EQ(Fill(" "), "");
    EXPECT_EQ(Fill("M 1e-999,0 L 1,1"), "0 0 m\n1 1 l\nh\n");
}

// Infinite, NaN and overflowing numbers leave the element undrawn, with the status of broken markup
// should nothing catch them; what is no number at all fails the document.
TEST(PathData, NumbersThatAreNoPlaceAreUnusableAndOthersMalformed)
{
    const auto unusable = [](std::string_view data) {
        try {
            Fill(data);
        } catch (const UnusableValue&) {
            return true;
        } catch (const DocumentFailure&) {
        }
        return false;
    };
    for (const char* data : {"M nan,0", "M 0,Infinity", "M -INF,0", "M 1e999,0", "M 0,0 L 1e308,0 l 1e308,0", "M 0,0 H 5 h -NaN"})
        EXPECT_TRUE(unusable(data)) << data;
    for (const char* data : {"M Inch,0", "M N,0", "M 1e,1", "M 0,0 I"}) {
        EXPECT_FALSE(unusable(data)) << data;
        EXPECT_EQ(Failure(data), XPS_E_INVALID_MARKUP) << data;
    }
}

TEST(Arc, CurvesLieOnTheEllipseChosenByTheFlagsAndEndExactly)
{
    const Point centre{50, 40};
    const double rx = 100, ry = 50, angle = 30 * kPi / 180;
    const auto onEllipse = [&](Point c, double t) {
        const double x = rx * std::cos(t), y = ry * std::sin(t);
        return Point{c.x + x * std::cos(angle) - y * std::sin(angle), c.y + x * std::sin(angle) + y * std::cos(angle)};
    };
    // How far a point is off the ellipse about c, as a distance along its radius.
    const auto offEllipse = [&](Point c, Point p) {
        const double dx = p.x - c.x, dy = p.y - c.y;
        const double u = (dx * std::cos(angle) + dy * std::sin(angle)) / rx;
        const double v = (-dx * std::sin(angle) + dy * std::cos(angle)) / ry;
        return std::abs(std::hypot(u, v) - 1) * std::max(rx, ry);
    };
    const Point from = onEllipse(centre, 0), to = onEllipse(centre, 100 * kPi / 180);
    // The other ellipse through both points is this one mirrored through the chord's middle.
    const Point mirrored{from.x + to.x - centre.x, from.y + to.y - centre.y};
    struct Case {
        bool largeArc, clockwise;
        Point centre, through;
    } const cases[] = {
        {false, true, centre, onEllipse(centre, 50 * kPi / 180)},
        {true, false, centre, onEllipse(centre, -130 * kPi / 180)},
        {false, false, mirrored, onEllipse(mirrored, 230 * kPi / 180)},
        {true, true, mirrored, onEllipse(mirrored, 50 * kPi / 180)},
    };
    for (const Case& c : cases) {
        const ArcCurves arc = ArcToCubics(from, to, {rx, ry}, 30, c.largeArc, c.clockwise);
        ASSERT_EQ(arc.kind, ArcCurves::Kind::Curves);
        double nearest = 1e9;
        Point start = from;
        for (std::size_t i = 0; i < arc.count; ++i) {
            for (double t = 0; t <= 1; t += 0.125) {
                const Point p = At(arc.cubics[i], start, t);
                EXPECT_LT(offEllipse(c.centre, p), 0.01) << c.largeArc << c.clockwise;
                nearest = std::min(nearest, std::hypot(p.x - c.through.x, p.y - c.through.y));
            }
            start = arc.cubics[i].end;
        }
        EXPECT_LT(nearest, 0.01) << c.largeArc << c.clockwise;
        EXPECT_EQ(arc.cubics[arc.count - 1].end.x, to.x);
        EXPECT_EQ(arc.cubics[arc.count - 1].end.y, to.y);
    }
}

TEST(Arc, RadiiTooSmallGrowToSpanTheEndPoints)
{
    // A half circle of radius 5 over the top, as clockwise runs on a page.
    const ArcCurves arc = ArcToCubics({0, 0}, {10, 0}, {1, 1}, 0, false, true);
    ASSERT_EQ(arc.kind, ArcCurves::Kind::Curves);
    Point start{0, 0};
    double top = 0;
    for (std::size_t i = 0; i < arc.count; ++i) {
        for (double t = 0; t <= 1; t += 0.25) {
            const Point p = At(arc.cubics[i], start, t);
            EXPECT_NEAR(std::hypot(p.x - 5, p.y), 5, 0.01);
            top = std::min(top, p.y);
        }
        start = arc.cubics[i].end;
    }
    EXPECT_NEAR(top, -5, 0.01);
}

TEST(Arc, ZeroRadiusIsALineAndCoincidentEndsDrawNothing)
{
    EXPECT_EQ(Fill("M0,0 A 0,5 0 0 1 10,0"), "0 0 m\n10 0 l\nh\n");
    EXPECT_EQ(Fill("M0,0 A 5,5 0 0 1 0,0"), "");
    EXPECT_EQ(Fill("M0,0 a 5,5 0 0 1 10,0"), Fill("M0,0 A 5,5 0 0 1 10,0"));
}

TEST(Elements, DrawAsTheAbbreviatedSyntaxUnderTheirTransform)
{
    Geometry elements;
    SegmentBudget budget;
    GeometryBuilder builder(elements, budget, "NonZero", std::nullopt);
    builder.Transform("2,0,0,2,1,1");
    builder.Figures("M 0,0 L 1,0");
    builder.BeginFigure("5,5", "true", std::nullopt);
    builder.PolyLineSegment("6,5 6,6", std::nullopt);
    builder.PolyBezierSegment("7,6 8,7 8,8 9,9 9,10 8,10", "true");
    builder.PolyQuadraticBezierSegment("7,10 7,9", std::nullopt);
    builder.ArcSegment("5,5", "2,3", "15", "false", "Counterclockwise", std::nullopt);
    builder.EndFigure();
    EXPECT_EQ(builder.Rule(), FillRule::NonZero);
    EXPECT_EQ(FillPath(elements),
              Fill("M 0,0 L 1,0 M 5,5 L 6,5 6,6 C 7,6 8,7 8,8 9,9 9,10 8,10 Q 7,10 7,9 A 2,3 15 0 0 5,5 Z",
                   {2, 0, 0, 2, 1, 1}));
}

TEST(Elements, MalformedOrMissingAttributesAreInvalidMarkup)
{
    const auto failure = [](auto build) {
        Geometry geometry;
        SegmentBudget budget;
        GeometryBuilder builder(geometry, budget, std::nullopt, std::nullopt);
        try {
            build(builder);
        } catch (const DocumentFailure& failure) {
            return failure.Status();
        }
        return S_OK;
    };
    const auto inFigure = [&](auto segment) {
        return failure([&](GeometryBuilder& b) {
            b.BeginFigure("0,0", std::nullopt, std::nullopt);
            segment(b);
        });
    };
    EXPECT_EQ(failure([](GeometryBuilder& b) { b.BeginFigure(std::nullopt, std::nullopt, std::nullopt); }),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(failure([](GeometryBuilder& b) { b.PolyLineSegment("1,1", std::nullopt); }), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.PolyBezierSegment("1,1 2,2 3,3 4,4", std::nullopt); }),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.PolyLineSegment("", std::nullopt); }), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.PolyLineSegment("1,1", "yes"); }), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.ArcSegment("1,1", "-1,1", "0", "true", "Clockwise", {}); }),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.ArcSegment("1,1", "1,1", "0", "true", "clockwise", {}); }),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(inFigure([](GeometryBuilder& b) { b.ArcSegment("1,1", "1,1", {}, "true", "Clockwise", {}); }),
              XPS_E_INVALID_MARKUP);
    EXPECT_EQ(failure([](GeometryBuilder& b) { b.Transform("1,0,0,1,0"); }), XPS_E_INVALID_MARKUP);
    EXPECT_EQ(failure([](GeometryBuilder& b) {
                  b.Transform("1e300,0,0,1e300,0,0");
                  b.Figures("M 1e10,0");
              }),
              XPS_E_INVALID_MARKUP);
}

// A box is written as "re" winding as the figure does, so that a hole in a box keeps its place under the
// non-zero rule; anything else that is not quite a box stays lines.
TEST(PdfPath, BoxesAreWrittenAsRectanglesThatWindAsTheirFiguresDo)
{
    SegmentBudget budget;
    EXPECT_EQ(FillPath(ReadGeometry("M 0,0 H 10 V 10 H 0 Z", budget)), "0 0 10 10 re\n");
    EXPECT_EQ(FillPath(ReadGeometry("M 0,0 V 10 H 10 V 0 Z", budget)), "10 0 -10 10 re\n");
    EXPECT_EQ(FillPath(ReadGeometry("M 0,0 H 10 V 10 H 1 Z", budget)), "0 0 m\n10 0 l\n10 10 l\n1 10 l\nh\n");
}

TEST(PdfPath, UnstrokedSegmentsAreLeftOutOfTheStrokePathAndUnfilledFiguresOutOfTheFill)
{
    Geometry geometry;
    SegmentBudget budget;
    GeometryBuilder builder(geometry, budget, std::nullopt, std::nullopt);
    builder.BeginFigure("0,0", "true", std::nullopt);
    builder.LineSegment("10,0", std::nullopt);
    builder.LineSegment("10,10", "false");
    builder.PolyLineSegment("0,10", "true");
    builder.EndFigure();
    builder.BeginFigure("20,0", std::nullopt, "false");
    builder.LineSegment("30,0", std::nullopt);
    builder.EndFigure();
    EXPECT_EQ(FillPath(geometry), "0 0 10 10 re\n");
    EXPECT_EQ(StrokePath(geometry), "0 0 m\n10 0 l\n10 10 m\n0 10 l\n0 0 l\n20 0 m\n30 0 l\n");

    Geometry unstroked;
    GeometryBuilder hidden(unstroked, budget, std::nullopt, std::nullopt);
    hidden.BeginFigure("0,0", "true", std::nullopt);
    hidden.PolyLineSegment("1,0 1,1", "false");
    hidden.EndFigure();
    std::string out;
    PdfPathWriter writer(out, PathUse::Stroke);
    unstroked.Replay(writer);
    EXPECT_FALSE(writer.Wrote());
    EXPECT_EQ(out, "");
}

TEST(PdfPath, NumbersAreCompactFiniteAndWithinPdfRange)
{
    EXPECT_EQ(Fill("M 0.33333,-0.0001 L 2.5,1e6"), "0.333 0 m\n2.5 1000000 l\nh\n");
    EXPECT_EQ(Fill("M 0,0 L 1e300,-1e300"), "0 0 m\n10000000 -10000000 l\nh\n");
    // Overflow in the page's matrix clamps; a NaN it makes is refused.
    EXPECT_EQ(Fill("M 1e300,1 L 2,2", {1e300, 0, 0, 1, 0, 0}), "10000000 1 m\n10000000 2 l\nh\n");
    EXPECT_THROW(Fill("M 10,10 L 1,1", {1e308, 0, -1e308, 1, 0, 0}), DocumentFailure);
}

TEST(Matrix, ComposesInOrderAndRefusesToInvertASingularMatrix)
{
    const Matrix translate = ParseMatrix("1,0,0,1,5,0");
    const Matrix scale = ParseMatrix(" 2 , 0 , 0 , 3 , 0 , 0 ");
    const Point p = (translate * scale).Apply({1, 1});
    EXPECT_DOUBLE_EQ(p.x, 12);
    EXPECT_DOUBLE_EQ(p.y, 3);

    const Matrix m = ParseMatrix("2,1,1,3,5,-7");
    const Point back = (m * *m.Inverse()).Apply({4, -9});
    EXPECT_NEAR(back.x, 4, 1e-12);
    EXPECT_NEAR(back.y, -9, 1e-12);
    EXPECT_FALSE(ParseMatrix("1,2,2,4,0,0").Inverse());
    EXPECT_FALSE(ParseMatrix("0,0,0,0,1,1").Inverse());
    EXPECT_FALSE(ParseMatrix("1e200,1e200,1e200,1e200,0,0").Inverse());
    EXPECT_THROW(ParseMatrix("1 0 0 1 0 0"), DocumentFailure);
    EXPECT_THROW(ParseMatrix("1,0,0,1,0,0,0"), DocumentFailure);
}

TEST(Bounds, OfATransformedCircleAreTight)
{
    SegmentBudget budget;
    const Geometry circle = ReadGeometry("M 10,0 A 10,10 0 1 1 -10,0 A 10,10 0 1 1 10,0 Z", budget);
    const double t = 30 * kPi / 180;
    // Stretched three times along x, turned 30°, moved by (100, 50).
    const Matrix m = Matrix{3, 0, 0, 1, 0, 0} * Matrix{std::cos(t), std::sin(t), -std::sin(t), std::cos(t), 100, 50};
    const auto box = Bounds(circle, m);
    ASSERT_TRUE(box);
    const double halfWidth = std::hypot(30 * std::cos(t), 10 * std::sin(t));
    const double halfHeight = std::hypot(30 * std::sin(t), 10 * std::cos(t));
    EXPECT_NEAR(box->left, 100 - halfWidth, 0.01);
    EXPECT_NEAR(box->right, 100 + halfWidth, 0.01);
    EXPECT_NEAR(box->top, 50 - halfHeight, 0.01);
    EXPECT_NEAR(box->bottom, 50 + halfHeight, 0.01);
    EXPECT_FALSE(Bounds(ReadGeometry("M 5,5", budget)));
}

TEST(Bounds, OfAMappedBoxSpanItsCornersAndFlipIntoPdfSpace)
{
    // Turned a quarter, then the page's flip into points: every corner lands somewhere else.
    const Matrix page{kPointsPerUnit, 0, 0, -kPointsPerUnit, 0, 96 * kPointsPerUnit};
    const Rect box = MappedBox(Matrix{0, 1, -1, 0, 0, 0} * page, Rect{8, 16, 40, 24});
    EXPECT_EQ(box.left, -18);
    EXPECT_EQ(box.right, -12);
    EXPECT_EQ(box.top, 42);
    EXPECT_EQ(box.bottom, 66);
    const PdfRect pdf = ToPdf(box);
    EXPECT_EQ(pdf.bottom, 42);
    EXPECT_EQ(pdf.top, 66);
}

TEST(Boxes, AreFourNumbersBetweenCommasAsWritten)
{
    EXPECT_EQ(ParseBox(" 1, 2 ,-3,4e1 "), (std::array<double, 4>{1, 2, -3, 40}));
    for (std::string_view bad : {"1,2,3", "1,2,3,4,5", "1 2 3 4", "1,,2,3", ""}) {
        try {
            ParseBox(bad);
            ADD_FAILURE() << bad;
        } catch (const DocumentFailure& failure) {
            EXPECT_EQ(failure.Status(), XPS_E_INVALID_MARKUP) << bad;
        }
    }
}

TEST(LineCaps, TrianglesPointOutOfEachEndOfEachStrokedRun)
{
    SegmentBudget budget;
    std::string out;
    LineCapWriter caps(out, LineCap::Triangle, LineCap::Flat, 2);
    ReadPathData("M 0,0 L 10,0", caps, budget);
    EXPECT_EQ(out, "0 -1 m\n-1 0 l\n0 1 l\nh\n");

    out.clear();
    LineCapWriter ends(out, LineCap::Flat, LineCap::Triangle, 2);
    Geometry gapped;
    GeometryBuilder builder(gapped, budget, std::nullopt, std::nullopt);
    builder.BeginFigure("0,0", std::nullopt, std::nullopt);
    builder.PolyBezierSegment("0,0 5,0 5,5", std::nullopt);
    builder.LineSegment("5,10", "false");
    builder.LineSegment("5,20", std::nullopt);
    builder.EndFigure();
    gapped.Replay(ends);
    EXPECT_EQ(out, "4 5 m\n5 6 l\n6 5 l\nh\n4 20 m\n5 21 l\n6 20 l\nh\n");

    out.clear();
    LineCapWriter closed(out, LineCap::Triangle, LineCap::Triangle, 2);
    ReadPathData("M 0,0 L 10,0 10,10 Z", closed, budget);
    EXPECT_FALSE(closed.Wrote());
}

TEST(Budget, IsSharedAndRefusesPastItsEnd)
{
    SegmentBudget budget(6);
    ReadGeometry("M 0,0 L 1,1 2,2", budget);
    try {
        ReadGeometry("M 0,0 L 1,1 2,2 3,3", budget);
        FAIL();
    } catch (const DocumentFailure& failure) {
        EXPECT_EQ(failure.Status(), E_OUTOFMEMORY);
    }
}
