// Numbers as they are written into files: compact, locale-free, never an exponent, never NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/pdf/pdf_number.h"

TEST(Numbers, RealsAreWrittenCompactly)
{
    EXPECT_EQ(PdfReal(612), "612");
    EXPECT_EQ(PdfReal(1.5), "1.5");
    EXPECT_EQ(PdfReal(-3.25), "-3.25");
    EXPECT_EQ(PdfReal(0.1 + 0.2), "0.3");
    EXPECT_EQ(PdfReal(0.75), "0.75");
}

TEST(Numbers, RealsRoundToFiveDecimals)
{
    EXPECT_EQ(PdfReal(1.000004), "1");
    EXPECT_EQ(PdfReal(2.000006), "2.00001");
    EXPECT_EQ(PdfReal(1.0 / 3), "0.33333");
    EXPECT_EQ(PdfReal(-2.0 / 3), "-0.66667");
    EXPECT_EQ(PdfReal(9.999996), "10");
}

TEST(Numbers, NegativeZeroAndWhatRoundsToItAreZero)
{
    EXPECT_EQ(PdfReal(-0.0), "0");
    EXPECT_EQ(PdfReal(-0.000001), "0");
    EXPECT_EQ(PdfReal(std::numeric_limits<double>::denorm_min()), "0");
}

TEST(Numbers, LargeRealsHaveNoExponent)
{
    EXPECT_EQ(PdfReal(1e20), "100000000000000000000");
    const std::string largest = PdfReal(-kPdfLargestReal);
    EXPECT_EQ(largest.find_first_not_of("-0123456789"), std::string::npos) << largest;
    EXPECT_EQ(largest.size(), 40u);
}

TEST(Numbers, RealsThatAreNotFiniteOrTooLargeAreRefused)
{
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e39, -kPdfLargestReal * 1.01}) {
        try {
            PdfReal(bad);
            ADD_FAILURE() << "written: " << bad;
        } catch (const DocumentFailure& failure) {
            EXPECT_EQ(failure.Status(), E_FAIL);
        }
    }
}

std::string Coordinate(double value, int decimals)
{
    std::string text;
    AppendPdfCoordinate(text, value, decimals);
    return text;
}

TEST(Numbers, CoordinatesRoundHalvesAwayFromZeroAndDropTrailingZeros)
{
    EXPECT_EQ(Coordinate(12.5, 0), "13");
    EXPECT_EQ(Coordinate(-12.5, 0), "-13");
    EXPECT_EQ(Coordinate(3.1050, 3), "3.105");
    EXPECT_EQ(Coordinate(0.0625, 2), "0.06");
    EXPECT_EQ(Coordinate(-0.0004, 3), "0");
    EXPECT_EQ(Coordinate(1.0000004, 9), "1");
}

TEST(Numbers, CoordinatesClampWhereRealsAreRefused)
{
    EXPECT_EQ(Coordinate(1e300, 2), "10000000");
    EXPECT_EQ(Coordinate(-HUGE_VAL, 2), "-10000000");
    try {
        Coordinate(std::nan(""), 2);
        ADD_FAILURE() << "a NaN written";
    } catch (const DocumentFailure& failure) {
        EXPECT_EQ(failure.Status(), XPS_E_INVALID_MARKUP);
    }
}

TEST(Numbers, IntegersKeepEveryDigit)
{
    EXPECT_EQ(PdfInteger(0), "0");
    EXPECT_EQ(PdfInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}
