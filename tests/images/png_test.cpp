#include <gtest/gtest.h>

#include "image_samples.h"
#include "read_status.h"

namespace {

TEST(Png, RgbPassesThroughWithItsIdatDataAndPredictors)
{
    PngOptions options;
    options.pixelsPerMetre = 11811;
    const std::string png = MakePng(Gradient(21, 13, 3), options);
    const DecodedImage image = ReadImage(png);
    EXPECT_EQ(image.filter, PdfFilter::FlateDecode);
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    // libpng declares a small window for a small image; the header declares the whole one, as any
    // data may reach back into.
    const std::string data = PngData(png);
    EXPECT_EQ(image.data.substr(2), data.substr(2));
    EXPECT_EQ(image.data[0], '\x78');
    EXPECT_EQ((static_cast<unsigned char>(image.data[0]) * 256 + static_cast<unsigned char>(image.data[1])) % 31, 0);
    ASSERT_TRUE(image.predictor);
    EXPECT_EQ(image.predictor->colors, 3);
    EXPECT_EQ(image.predictor->bitsPerComponent, 8);
    EXPECT_EQ(image.predictor->columns, 21u);
    EXPECT_NEAR(image.dpiX, 300, 0.01);
    EXPECT_TRUE(image.alpha.empty());
}

TEST(Png, PaletteWithoutTransparencyPassesThroughIndexed)
{
    Pixels indices{4, 2, 1, std::string("\0\1\2\1\2\0\1\2", 8)};
    PngOptions options;
    options.colourType = 3;
    options.palette = std::string("\xFF\0\0\0\xFF\0\0\0\xFF", 9);
    const DecodedImage image = ReadImage(MakePng(indices, options));
    EXPECT_EQ(image.colours, PdfColours::Indexed);
    EXPECT_EQ(image.palette, options.palette);
    ASSERT_TRUE(image.predictor);
    EXPECT_EQ(image.predictor->colors, 1);
}

TEST(Png, RgbaGivesASoftMaskOfItsAlpha)
{
    // The large one's colour is more than is deflated whole, its alpha less.
    for (const auto& [width, height] : {std::pair{19u, 7u}, std::pair{1300u, 1100u}}) {
        const Pixels pixels = Gradient(width, height, 4);
        PngOptions options;
        options.colourType = 6;
        const DecodedImage image = ReadImage(MakePng(pixels, options));
        EXPECT_FALSE(image.predictor);
        std::string colour;
        std::string alpha;
        for (std::size_t i = 0; i < pixels.samples.size(); i += 4) {
            colour += pixels.samples.substr(i, 3);
            alpha += pixels.samples[i + 3];
        }
        EXPECT_TRUE(Inflated(image.data) == colour) << width;
        EXPECT_TRUE(Inflated(image.alpha) == alpha) << width;
    }
}

TEST(Png, PaletteWithTransparencyDecodesToRgbAndAlpha)
{
    Pixels indices{3, 1, 1, std::string("\0\1\2", 3)};
    PngOptions options;
    options.colourType = 3;
    options.palette = std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9);
    options.transparency = std::string("\x00\x80", 2);
    const DecodedImage image = ReadImage(MakePng(indices, options));
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    EXPECT_EQ(Inflated(image.data), options.palette);
    EXPECT_EQ(Inflated(image.alpha), std::string("\x00\x80\xFF", 3));
}

TEST(Png, InterlacedComesOutInRowOrder)
{
    for (const std::uint32_t side : {1u, 5u, 13u}) {
        const Pixels pixels = Gradient(side, side + 2, 1);
        PngOptions options;
        options.colourType = 0;
        options.interlaced = true;
        const DecodedImage image = ReadImage(MakePng(pixels, options));
        EXPECT_EQ(image.colours, PdfColours::Gray);
        EXPECT_EQ(Inflated(image.data), pixels.samples) << side;
    }
}

// Readers refuse a side of over 65536 pixels: a longer image keeps every third row here, data that
// would pass through included, and covers the same height.
TEST(Png, RowsBeyondWhatReadersTakeAreThinnedOutOverTheSameHeight)
{
    const Pixels strip = Gradient(2, 2 * 65536 + 1, 3);
    const DecodedImage image = ReadImage(MakePng(strip));
    EXPECT_FALSE(image.predictor);
    ASSERT_EQ(image.width, 2u);
    ASSERT_EQ(image.height, 43691u);
    EXPECT_NEAR(image.height * 96 / image.dpiY, strip.height, 1e-6);
    EXPECT_DOUBLE_EQ(image.dpiX, 96);
    const std::string samples = Inflated(image.data);
    ASSERT_EQ(samples.size(), 6u * image.height);
    for (std::uint32_t y : {0u, 1u, 20000u, 43690u})
        EXPECT_EQ(samples.substr(6 * y, 6), strip.samples.substr(6 * 3 * y, 6)) << y;
}

TEST(Png, DamagedOrCutShortIsRefused)
{
    std::string png = MakePng(Gradient(16, 16, 3));
    EXPECT_EQ(ReadStatus(png.substr(0, png.size() - 20)), WINCODEC_ERR_BADIMAGE);
    const std::size_t data = png.find("IDAT");
    png[data + 6] = static_cast<char>(png[data + 6] ^ 0x55);
    EXPECT_EQ(ReadStatus(png), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
