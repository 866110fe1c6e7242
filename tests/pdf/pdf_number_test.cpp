// Numbers as they are written into files: compact, locale-free, never an exponent, never NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
