#include "xps/images/image_sides.h"

#include <algorithm>
#include <vector>

#include "xps/images/flate_stream.h"
#include "xps/images/image_failure.h"
#include "xps/images/inflate_stream.h"
#include "xps/pdf/pdf_image.h"

namespace {

// Taking every step-th sample brings the side within readers' bounds.
std::uint32_t Step(std::uint32_t side) { return (side + kPdfLargestImageSide - 1) / kPdfLargestImageSide; }

std::uint32_t Kept(std::uint32_t side, std::uint32_t step) { return (side + step - 1) / step; }

int Channels(PdfColours colours)
{
    return colours == PdfColours::Rgb ? 3 : colours == PdfColours::Cmyk ? 4 : 1;
}

struct Samples {
    std::uint32_t width;
    std::uint32_t height;
    int channels;
    int bits;

    std::size_t RowBytes(std::uint32_t pixels) const
    {
        return (std::size_t{pixels} * static_cast<std::size_t>(channels * bits) + 7) / 8;
    }
};

// Every stepX-th pixel of every stepY-th row, its samples' bits copied as they are: depths below 8
// pack several samples into a byte.
std::string Reduced(std::string_view deflated, const Samples& samples, std::uint32_t stepX, std::uint32_t stepY)
{
    const std::uint32_t keptWidth = Kept(samples.width, stepX);
    const std::size_t pixelBits = static_cast<std::size_t>(samples.channels * samples.bits);
    std::vector<unsigned char> row(samples.RowBytes(samples.width));
    std::vector<unsigned char> kept(samples.RowBytes(keptWidth));
    InflateStream in(deflated);
    FlateStream out;
    for (std::uint32_t y = 0; y < samples.height; ++y) {
        in.Read(row.data(), row.size());
        if (y % stepY != 0)
            continue;
        if (stepX == 1) {
            out.Write(row.data(), row.size());
            continue;
        }
        std::fill(kept.begin(), kept.end(), 0);
        for (std::size_t x = 0; x < keptWidth; ++x) {
            const std::size_t from = x * stepX * pixelBits;
            const std::size_t to = x * pixelBits;
            for (std::size_t bit = 0; bit < pixelBits; ++bit) {
                if (row[(from + bit) / 8] & (0x80 >> ((from + bit) % 8)))
                    kept[(to + bit) / 8] |= static_cast<unsigned char>(0x80 >> ((to + bit) % 8));
            }
        }
        out.Write(kept.data(), kept.size());
    }
    return out.Finish();
}

}  // namespace

void FitImageSides(DecodedImage& image)
{
    const std::uint32_t stepX = Step(image.width);
    const std::uint32_t stepY = Step(image.height);
    if (stepX == 1 && stepY == 1)
        return;
    CheckImage(image.filter == PdfFilter::FlateDecode && !image.predictor);
    image.data = Reduced(image.data, {image.width, image.height, Channels(image.colours), image.bitsPerComponent}, stepX, stepY);
    if (!image.alpha.empty())
        image.alpha = Reduced(image.alpha, {image.width, image.height, 1, 8}, stepX, stepY);
    const std::uint32_t width = Kept(image.width, stepX);
    const std::uint32_t height = Kept(image.height, stepY);
    image.dpiX *= static_cast<double>(width) / image.width;
    image.dpiY *= static_cast<double>(height) / image.height;
    image.width = width;
    image.height = height;
}
