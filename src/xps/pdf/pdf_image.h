// Image XObjects and the colour spaces images are drawn in: ICC profiles and palettes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "xps/pdf/pdf_value.h"
#include "xps/pdf/pdf_writer.h"

// The longest image side every reader draws: some refuse one of over 65536 pixels, though the others
// go to 2^24.
constexpr std::uint32_t kPdfLargestImageSide = 1u << 16;

struct PdfImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // /DeviceGray, /DeviceRGB, /DeviceCMYK, IccColorSpace or IndexedColorSpace.
    PdfValue colorSpace = PdfValue::Name("DeviceRGB");
    int bitsPerComponent = 8;
    std::vector<double> decode;      // none when empty
    std::optional<PdfRef> softMask;  // a DeviceGray image of the same picture's alpha
};

// The image's stream dictionary, for PdfWriter::WriteStream or BeginStream with the data's encoding
// (PdfEncoding::Encoded("DCTDecode") for a JPEG as it is). Throws DocumentFailure(E_FAIL) for a
// size of zero or beyond readers' limits, or a depth images do not have.
PdfDictionary ImageDictionary(const PdfImage& image);

// DecodeParms for FlateDecode data whose rows each begin with a PNG filter byte.
PdfValue PngPredictor(int colors, int bitsPerComponent, std::uint32_t columns);

// An ICC profile of 1, 3 or 4 components, with the device space readers use without it.
PdfRef WriteIccProfile(PdfWriter& writer, std::string_view profile, int components, const PdfValue& alternate);
PdfValue IccColorSpace(PdfRef profile);
// A palette of up to 256 colours, each `components` bytes of the base space.
PdfValue IndexedColorSpace(const PdfValue& base, int components, std::string_view palette);
