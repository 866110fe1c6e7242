#include <gtest/gtest.h>

#include <cstdlib>

#include "read_status.h"
#include "xps/images/decode_apart.h"

namespace {

HRESULT StatusApart(DecodedImage (*decode)(std::string_view))
{
    try {
        DecodeApart("bytes", decode);
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

TEST(DecodeApart, HandsBackTheChildsImage)
{
    const DecodedImage image = DecodeApart("bytes", [](std::string_view bytes) {
        DecodedImage made;
        made.width = 7;
        made.colours = PdfColours::Cmyk;
        made.predictor = PngPrediction{4, 8, 7};
        made.data = std::string(bytes) + std::string(300000, 'd');
        made.alpha = "a";
        made.dpiY = 72;
        return made;
    });
    EXPECT_EQ(image.width, 7u);
    EXPECT_EQ(image.colours, PdfColours::Cmyk);
    ASSERT_TRUE(image.predictor);
    EXPECT_EQ(image.predictor->colors, 4);
    EXPECT_EQ(image.data, "bytes" + std::string(300000, 'd'));
    EXPECT_EQ(image.alpha, "a");
    EXPECT_EQ(image.dpiY, 72);
}

TEST(DecodeApart, StatusThrownInTheChildIsThrownHere)
{
    EXPECT_EQ(StatusApart([](std::string_view) -> DecodedImage { ThrowDocument(WINCODEC_ERR_IMAGESIZEOUTOFRANGE); }),
              WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
}

TEST(DecodeApart, ChildThatDiesIsABadImage)
{
    EXPECT_EQ(StatusApart([](std::string_view) -> DecodedImage { std::abort(); }), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
