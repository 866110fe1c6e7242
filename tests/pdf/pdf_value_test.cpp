// Values, content operators and resource names as they are written.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "test_pdf.h"
#include "xps/document_failure.h"
#include "xps/pdf/pdf_content.h"
#include "xps/pdf/pdf_resources.h"
#include "xps/pdf/pdf_value.h"


TEST(Values, NamesEscapeDelimitersSpacesAndHighBytes)
{
    EXPECT_EQ(PdfValue::Name("DeviceRGB").Written(), "/DeviceRGB");
    EXPECT_EQ(PdfValue::Name("A B#/(\xC3\xA9)").Written(), "/A#20B#23#2F#28#C3#A9#29");
    EXPECT_EQ(StatusOf([] { PdfValue::Name(""); }), E_FAIL);
    EXPECT_EQ(StatusOf([] { PdfValue::Name(std::string("A\0B", 3)); }), E_FAIL);
}

TEST(Values, LiteralStringsEscapeParenthesesBackslashesAndControlBytes)
{
    EXPECT_EQ(PdfValue::Literal("a(b)\\c\r\n\x7F").Written(), "(a\\(b\\)\\\\c\\015\\012\\177)");
    EXPECT_EQ(PdfValue::Hex(std::string("\x00\xAB", 2)).Written(), "<00AB>");
}

TEST(Values, TextStringsAreUtf16WithAByteOrderMarkUnlessPrintableAscii)
{
    EXPECT_EQ(PdfValue::Text("Plain (1)").Written(), "(Plain \\(1\\))");
    EXPECT_EQ(PdfValue::Text("\xC3\x9C\xE2\x82\xAC\xF0\x9F\x98\x80").Written(), "<FEFF00DC20ACD83DDE00>");
    // A stray continuation byte, an overlong slash and a cut sequence each stand as U+FFFD.
    EXPECT_EQ(PdfValue::Text("\x80" "\xC0\xAF" "a\xE2\x82").Written(), "<FEFFFFFDFFFDFFFD0061FFFDFFFD>");
}

TEST(Values, DictionariesSetAKeyOnce)
{
    PdfDictionary dictionary;
    dictionary.Set("Length", PdfValue::Integer(1)).Set("Filter", PdfValue::Null()).Set("Length", PdfValue::Integer(2));
    EXPECT_EQ(dictionary.Value().Written(), "<</Length 2/Filter null>>");
}

TEST(Content, GlyphsAreTwoByteCodesWithAdjustmentsOnlyWhereGiven)
{
    PdfContent plain;
    plain.BeginText();
    plain.ShowGlyphs({{0x12, 0}, {0xABCD, 0}});
    plain.EndText();
    EXPECT_EQ(plain.Bytes(), "BT\n<0012ABCD> Tj\nET\n");

    PdfContent adjusted;
    adjusted.BeginText();
    adjusted.ShowGlyphs({{1, 0}, {2, -120.5}, {3, 0}, {4, 30}});
    adjusted.EndText();
    EXPECT_EQ(adjusted.Bytes(), "BT\n[<00010002>-120.5<00030004>30] TJ\nET\n");
}

TEST(Content, OperatorsOutOfTheirPlaceOrUnbalancedAreRefused)
{
    EXPECT_EQ(StatusOf([] { PdfContent().Restore(); }), E_FAIL);
    EXPECT_EQ(StatusOf([] { PdfContent().EndMarkedContent(); }), E_FAIL);
    EXPECT_EQ(StatusOf([] { PdfContent().ShowGlyphs({}); }), E_FAIL);
    EXPECT_EQ(StatusOf([] {
                  PdfContent content;
                  content.BeginText();
                  content.MoveTo(0, 0);
              }),
              E_FAIL);
    for (auto open : {&PdfContent::Save, &PdfContent::BeginText}) {
        PdfContent content;
        (content.*open)();
        EXPECT_EQ(StatusOf([&] { content.Bytes(); }), E_FAIL);
    }
}

TEST(Content, ValuesNoReaderTakesAreRefused)
{
    PdfContent content;
    EXPECT_EQ(StatusOf([&] { content.LineTo(1, std::nan("")); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { content.LineWidth(-1); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { content.MiterLimit(0.5); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { content.Dash({0, 0}, 0); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { content.Dash({1, -1}, 0); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { content.LineCap(3); }), E_FAIL);
}

TEST(Resources, OneNamePerObjectAndKind)
{
    PdfResources resources;
    EXPECT_EQ(resources.ExtGState(PdfRef{7}), "G0");
    EXPECT_EQ(resources.ExtGState(PdfRef{9}), "G1");
    EXPECT_EQ(resources.ExtGState(PdfRef{7}), "G0");
    EXPECT_EQ(resources.XObject(PdfRef{7}), "X0");
    EXPECT_EQ(resources.Font(PdfRef{3}), "F0");
    EXPECT_EQ(resources.Value().Written(), "<</ExtGState <</G0 7 0 R/G1 9 0 R>>/XObject <</X0 7 0 R>>/Font <</F0 3 0 R>>>>");
}
