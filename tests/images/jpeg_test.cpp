#include <gtest/gtest.h>

#include "image_samples.h"
#include "read_status.h"

namespace {

std::string ProfileChunk(int sequence, int count, const std::string& piece)
{
    return std::string("ICC_PROFILE\0", 12) + static_cast<char>(sequence) + static_cast<char>(count) + piece;
}

// The header of an ICC profile for grey, padded to the smallest size a profile has.
std::string GreyProfile()
{
    std::string profile(160, 'p');
    profile.replace(0, 4, std::string("\0\0\0\xA0", 4));
    profile.replace(16, 4, "GRAY");
    profile.replace(36, 4, "acsp");
    return profile;
}

TEST(Jpeg, PassesThroughByteForByteWithItsSizeAndResolution)
{
    JpegOptions options;
    options.dpiX = 300;
    options.dpiY = 150;
    const std::string jpeg = MakeJpeg(Gradient(33, 17, 3), options);
    const DecodedImage image = ReadImage(jpeg);
    EXPECT_EQ(image.filter, PdfFilter::DCTDecode);
    EXPECT_EQ(image.data, jpeg);
    EXPECT_EQ(image.width, 33u);
    EXPECT_EQ(image.height, 17u);
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    EXPECT_EQ(image.bitsPerComponent, 8);
    EXPECT_FALSE(image.inverted);
    EXPECT_EQ(image.dpiX, 300);
    EXPECT_EQ(image.dpiY, 150);
    EXPECT_TRUE(image.alpha.empty());
}

TEST(Jpeg, GreyJoinsItsProfileChunksInSequenceOrder)
{
    const std::string profile = GreyProfile();
    JpegOptions options;
    options.app2 = {ProfileChunk(2, 2, profile.substr(100)), ProfileChunk(1, 2, profile.substr(0, 100))};
    const DecodedImage image = ReadImage(MakeJpeg(Gradient(8, 8, 1), options));
    EXPECT_EQ(image.colours, PdfColours::Gray);
    EXPECT_EQ(image.iccProfile, profile);
    EXPECT_EQ(image.dpiX, 96);
}

TEST(Jpeg, ProfileForOtherColoursIsLeftOut)
{
    JpegOptions options;
    options.app2 = {ProfileChunk(1, 1, GreyProfile())};
    EXPECT_EQ(ReadImage(MakeJpeg(Gradient(8, 8, 3), options)).iccProfile, "");
}

TEST(Jpeg, AdobeCmykIsInverted)
{
    const DecodedImage image = ReadImage(MakeJpeg(Gradient(9, 9, 4)));
    EXPECT_EQ(image.colours, PdfColours::Cmyk);
    EXPECT_EQ(image.filter, PdfFilter::DCTDecode);
    EXPECT_TRUE(image.inverted);
}

TEST(Jpeg, ArithmeticCodedIsDecodedToItsSamples)
{
    Pixels flat{16, 8, 3, std::string()};
    for (int i = 0; i < 16 * 8; ++i)
        flat.samples += "\x20\x80\xE0";
    JpegOptions options;
    options.arithmetic = true;
    const DecodedImage image = ReadImage(MakeJpeg(flat, options));
    EXPECT_EQ(image.filter, PdfFilter::FlateDecode);
    EXPECT_EQ(image.colours, PdfColours::Rgb);
    const std::string samples = Inflated(image.data);
    ASSERT_EQ(samples.size(), flat.samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i)
        EXPECT_NEAR(static_cast<unsigned char>(samples[i]), static_cast<unsigned char>(flat.samples[i]), 2) << i;
}

TEST(Jpeg, CutShortBeforeItsEndIsRefused)
{
    const std::string jpeg = MakeJpeg(Gradient(16, 16, 3));
    EXPECT_EQ(ReadStatus(jpeg.substr(0, jpeg.size() - 2)), WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(ReadStatus(jpeg.substr(0, jpeg.size() / 2)), WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(ReadStatus(jpeg.substr(0, 40)), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
