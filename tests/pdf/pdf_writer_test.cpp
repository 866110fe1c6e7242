// The writer's own bounds: a failing sink, objects out of turn, stops out of order.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/linux/statuses.h"
#include "test_pdf.h"
#include "xps/document_failure.h"
#include "xps/pdf/pdf_gradient.h"
#include "xps/pdf/pdf_graphics_state.h"
#include "xps/pdf/pdf_page.h"
#include "xps/pdf/pdf_writer.h"

namespace {

struct SinkFull {};

}  // namespace

TEST(Writer, AfterTheSinkFailsItRefusesToWriteMore)
{
    std::size_t room = 200;
    PdfWriter writer([&](const char*, std::size_t size) {
        if (size > room)
            throw SinkFull();
        room -= size;
    });
    EXPECT_THROW(writer.WriteStream(PdfDictionary(), std::string(4096, 'x'), PdfEncoding::Encoded("")), SinkFull);
    room = 1 << 20;
    EXPECT_EQ(StatusOf([&] { writer.Write(PdfValue::Null()); }), STG_E_WRITEFAULT);
    EXPECT_EQ(StatusOf([&] { writer.Finish(""); }), STG_E_WRITEFAULT);
}

TEST(Writer, ObjectsAreWrittenOnceAndNotAfterTheEnd)
{
    std::string file;
    PdfWriter writer([&](const char* data, std::size_t size) { file.append(data, size); });
    const PdfRef object = writer.Write(PdfValue::Null());
    EXPECT_EQ(StatusOf([&] { writer.Write(object, PdfValue::Null()); }), E_FAIL);
    EXPECT_EQ(StatusOf([&] { writer.Write(PdfRef{99}, PdfValue::Null()); }), E_FAIL);
    writer.Finish("");
    EXPECT_EQ(file.substr(file.size() - 6), "%%EOF\n");
    EXPECT_EQ(StatusOf([&] { writer.Write(PdfValue::Null()); }), E_FAIL);
}

TEST(Writer, WritesAGraphicsStateAskedForAgainOnce)
{
    PdfWriter writer([](const char*, std::size_t) {});
    PdfGraphicsState half;
    half.fillAlpha = 0.5;
    PdfGraphicsState quarter;
    quarter.fillAlpha = 0.25;
    const PdfRef first = WriteGraphicsState(writer, half);
    EXPECT_NE(WriteGraphicsState(writer, quarter).number, first.number);
    EXPECT_EQ(WriteGraphicsState(writer, half).number, first.number);
}

TEST(Writer, GradientsWithStopsNoFunctionCanHoldAreRefused)
{
    PdfWriter writer([](const char*, std::size_t) {});
    const std::vector<std::vector<PdfGradientStop>> bad = {
        {},
        {{0.5, {1, 0, 0}}, {0.25, {0, 0, 1}}},
        {{0, {1, 0, 0}}, {1.5, {0, 0, 1}}},
        {{0, {1, 0, 0}}, {1, {0, 1}}},
        {{0, {}}},
        {{std::nan(""), {1, 0, 0}}},
    };
    for (const auto& stops : bad) {
        PdfGradient gradient;
        gradient.stops = stops;
        EXPECT_EQ(StatusOf([&] { WriteAxialShading(writer, gradient, {0, 0, 1, 0}); }), E_FAIL);
    }
    PdfGradient gradient;
    gradient.stops = {{0, {0, 0, 0}}};
    EXPECT_EQ(StatusOf([&] { WriteRadialShading(writer, gradient, {0, 0, -1, 0, 0, 1}); }), E_FAIL);
}

TEST(Writer, ObjectsWrittenWhileAStreamIsDeflatedAsideKeepTheirPlaces)
{
    TestPdf pdf;
    PdfWriter writer(pdf.Sink());
    std::string content;
    for (int i = 0; content.size() < 200000; ++i)
        content += std::to_string(i) + " 0 0 1 1 re f\n";
    const PdfRef first = writer.WriteStream(PdfDictionary(), content);
    std::vector<PdfRef> behind;
    for (int i = 0; i < 50; ++i)
        behind.push_back(writer.Write(PdfValue::Integer(i)));
    const PdfRef plain = writer.WriteStream(PdfDictionary(), "plain", PdfEncoding::Encoded(""));
    const PdfRef second = writer.WriteStream(PdfDictionary(), content.substr(1000));
    writer.Finish("");

    ASSERT_TRUE(pdf.Sound());
    const auto object = [&](PdfRef ref, bool stream) {
        std::vector<std::string> arguments{"--show-object=" + std::to_string(ref.number)};
        if (stream)
            arguments.push_back("--filtered-stream-data");
        return pdf.Run("/usr/bin/qpdf", arguments).out;
    };
    EXPECT_EQ(object(first, true), content);
    EXPECT_EQ(object(behind[49], false), "49\n");
    EXPECT_EQ(object(plain, true), "plain");
    EXPECT_EQ(object(second, true), content.substr(1000));
}
