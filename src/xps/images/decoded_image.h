// An image part turned into what a PDF image XObject holds, so that the PDF writer needs to know no
// image format: JPEG data goes through as it is, everything else as deflated samples.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class PdfColours { Gray, Rgb, Cmyk, Indexed };

enum class PdfFilter { DCTDecode, FlateDecode };

// /DecodeParms << /Predictor 15 /Colors colors /BitsPerComponent bitsPerComponent /Columns columns >>,
// for PNG data whose rows keep their PNG filter bytes.
struct PngPrediction {
    int colors = 1;
    int bitsPerComponent = 8;
    std::uint32_t columns = 0;
};

struct DecodedImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PdfColours colours = PdfColours::Rgb;
    // Indexed only: 1 to 256 RGB triples, for /Indexed base (entries - 1) <palette>.
    std::string palette;
    // The image's own ICC profile, empty when it has none (or one that does not fit its colours). Its
    // component count matches the colours (for Indexed, the RGB base), so it can stand as /ICCBased
    // with /N 1, 3 or 4 in place of the device space.
    std::string iccProfile;
    int bitsPerComponent = 8;
    // /Decode [1 0] for every component: Adobe's CMYK JPEGs, and TIFFs whose zero is white.
    bool inverted = false;
    PdfFilter filter = PdfFilter::FlateDecode;
    std::optional<PngPrediction> predictor;
    // The stream's data, encoded by the filter.
    std::string data;
    // Empty when every pixel is opaque; otherwise an 8-bit DeviceGray FlateDecode image of the same
    // width and height, not premultiplied, for /SMask.
    std::string alpha;
    // Dots per inch on each axis, finite and positive: 96 where the image gives none.
    double dpiX = 96;
    double dpiY = 96;
};

// Reads a JPEG, PNG, TIFF or JPEG XR image, told apart by its bytes. Throws DocumentFailure: with
// WINCODEC_ERR_BADIMAGE for anything else or anything damaged, WINCODEC_ERR_IMAGESIZEOUTOFRANGE for more
// than kMaxImagePixels, WINCODEC_ERR_BADHEADER for a BigTIFF.
DecodedImage ReadImage(std::string_view bytes);
