#include <gtest/gtest.h>

#include <cstdlib>

#include "image_samples.h"
#include "read_status.h"

namespace {

constexpr int kWhiteIsZero = 0;
constexpr int kCmyk = 5;
constexpr int kUnassociatedAlpha = 2;
constexpr int kCentimetres = 3;

TEST(Tiff, RgbStripsDecodeToTheirSamplesAndResolution)
{
    const Pixels pixels = Gradient(23, 10, 3);
    TiffOptions options;
    options.xResolution = 100;
    options.yResolution = 50;
    options.resolutionUnit = kCentimetres;
    const DecodedImage image = ReadImage(MakeTiff(pixels, options));
    EXPECT_EQ(image.width, 23u);
    EXPECT_EQ(image.height, 10u);
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    EXPECT_EQ(image.filter, PdfFilter::FlateDecode);
    EXPECT_EQ(Inflated(image.data), pixels.samples);
    EXPECT_NEAR(image.dpiX, 254, 0.01);
    EXPECT_NEAR(image.dpiY, 127, 0.01);
    EXPECT_TRUE(image.alpha.empty());
}

TEST(Tiff, BilevelStaysOneBitWithWhiteAsZero)
{
    const Pixels rows{10, 2, 1, std::string("\xF0\x40\x0F\xC0", 4)};
    TiffOptions options;
    options.photometric = kWhiteIsZero;
    options.bits = 1;
    const DecodedImage image = ReadImage(MakeTiff(rows, options));
    EXPECT_EQ(image.colours, PdfColours::Gray);
    EXPECT_EQ(image.bitsPerComponent, 1);
    EXPECT_TRUE(image.inverted);
    EXPECT_EQ(Inflated(image.data), rows.samples);
}

// A bilevel row wider than readers take keeps every third pixel, its bits packed anew.
TEST(Tiff, BilevelColumnsBeyondWhatReadersTakeAreThinnedOut)
{
    const std::uint32_t width = 3 * 65536 - 8;
    const Pixels rows{width, 2, 1, std::string(2 * width / 8, '\xF0')};
    TiffOptions options;
    options.photometric = kWhiteIsZero;
    options.bits = 1;
    const DecodedImage image = ReadImage(MakeTiff(rows, options));
    ASSERT_EQ(image.width, 65534u);
    EXPECT_EQ(image.bitsPerComponent, 1);
    EXPECT_NEAR(image.width * 96 / image.dpiX, width, 1e-6);
    const std::string samples = Inflated(image.data);
    ASSERT_EQ(samples.size(), 2u * 8192);
    // Pixels 0, 3, 6, ... 21 of runs of four set and four clear: 1, 1, 0, 1, 0, 0, 1, 0.
    EXPECT_EQ(samples[0], '\xD2');
    EXPECT_EQ(samples[8190], '\xD2');
    EXPECT_EQ(samples.substr(0, 8192), samples.substr(8192));
}

TEST(Tiff, CmykStaysCmyk)
{
    const Pixels pixels = Gradient(5, 4, 4);
    TiffOptions options;
    options.photometric = kCmyk;
    const DecodedImage image = ReadImage(MakeTiff(pixels, options));
    EXPECT_EQ(image.colours, PdfColours::Cmyk);
    EXPECT_FALSE(image.inverted);
    EXPECT_EQ(Inflated(image.data), pixels.samples);
    EXPECT_EQ(image.dpiX, 96);
}

// Tiles go through libtiff's RGBA reading, in bands, and its premultiplied alpha is undone.
TEST(Tiff, TiledWithAlphaGivesStraightColoursAndASoftMask)
{
    Pixels pixels{40, 20, 4, std::string()};
    for (std::uint32_t i = 0; i < pixels.width * pixels.height; ++i) {
        const char alpha = "\xFF\x80\x00"[i % 3];
        pixels.samples += std::string("\xC8\x64\x0A", 3) + alpha;
    }
    TiffOptions options;
    options.alpha = kUnassociatedAlpha;
    options.tiled = true;
    const DecodedImage image = ReadImage(MakeTiff(pixels, options));
    const std::string colour = Inflated(image.data);
    const std::string alpha = Inflated(image.alpha);
    ASSERT_EQ(alpha.size(), std::size_t{pixels.width} * pixels.height);
    ASSERT_EQ(colour.size(), alpha.size() * 3);
    for (std::size_t i = 0; i < alpha.size(); ++i) {
        EXPECT_EQ(alpha[i], pixels.samples[i * 4 + 3]) << i;
        if (alpha[i] == 0)
            continue;
        for (std::size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(static_cast<unsigned char>(colour[i * 3 + c]),
                        static_cast<unsigned char>(pixels.samples[i * 4 + c]), 2)
                << i;
    }
}

TEST(Tiff, BigTiffIsRefusedAsABadHeader)
{
    EXPECT_EQ(ReadStatus(std::string("II+\0\x08\0\0\0\x10\0\0\0\0\0\0\0", 16)), WINCODEC_ERR_BADHEADER);
    EXPECT_EQ(ReadStatus(std::string("MM\0+\0\x08\0\0\0\0\0\0\0\0\0\x10", 16)), WINCODEC_ERR_BADHEADER);
}

TEST(Tiff, CutShortIsRefused)
{
    const std::string tiff = MakeTiff(Gradient(30, 30, 3));
    EXPECT_EQ(ReadStatus(tiff.substr(0, tiff.size() / 2)), WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(ReadStatus(tiff.substr(0, 12)), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
