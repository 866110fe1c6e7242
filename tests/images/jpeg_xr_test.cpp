#include <gtest/gtest.h>

#include "image_samples.h"
#include "read_status.h"

namespace {

// Larger than a macroblock each way, and not a multiple of one, so that bands and edges both count.
TEST(JpegXr, DecodesLosslessRgbWithItsResolution)
{
    const Pixels pixels = Gradient(40, 37, 3);
    const DecodedImage image = ReadImage(MakeJpegXr(pixels, 300, 150));
    EXPECT_EQ(image.width, 40u);
    EXPECT_EQ(image.height, 37u);
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    EXPECT_EQ(Inflated(image.data), pixels.samples);
    EXPECT_EQ(image.dpiX, 300);
    EXPECT_EQ(image.dpiY, 150);
}

TEST(JpegXr, CutShortIsRefused)
{
    const std::string file = MakeJpegXr(Gradient(40, 37, 3), 96, 96);
    EXPECT_EQ(ReadStatus(file.substr(0, file.size() / 2)), WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(ReadStatus(file.substr(0, 40)), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
