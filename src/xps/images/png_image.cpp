// PNG: its chunks read here, and its IDAT data passed through with PNG predictors wherever a PDF
// image takes the samples as they are.
#include <vector>

#include "xps/byte_order.h"
#include "xps/deflate/inflate.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_metadata.h"
#include "xps/images/image_readers.h"
#include "xps/images/inflate_stream.h"
#include "xps/images/png_decoder.h"
#include "xps/pdf/pdf_image.h"

namespace {

constexpr std::size_t kSignature = 8;
constexpr std::size_t kHeaderBody = 13;
static_assert(kPngHeaderSize == kSignature + 12 + kHeaderBody);
constexpr std::size_t kMaxProfile = 16u << 20;
constexpr double kInchesPerMetre = 0.0254;

enum ColourType { kGray = 0, kRgb = 2, kPalette = 3, kGrayAlpha = 4, kRgba = 6 };

struct PngChunks {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;
    std::string_view palette;
    bool transparency = false;
    std::vector<std::string_view> data;
    std::string profile;
    double dpiX = 0;
    double dpiY = 0;
};

bool ValidDepth(int colourType, int depth)
{
    switch (colourType) {
    case kGray:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kPalette:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case kRgb:
    case kGrayAlpha:
    case kRgba:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

struct Chunk {
    std::string_view type;
    std::string_view body;
    bool damaged;
};

// The chunk at the offset, which must lie within the bytes; damaged where its CRC does not match.
Chunk ChunkAt(std::string_view bytes, std::size_t at)
{
    CheckImage(bytes.size() >= at && bytes.size() - at >= 12);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    const std::size_t length = Big32(p);
    CheckImage(length <= bytes.size() - at - 12);
    const bool damaged = Crc32(0, p + 4, length + 4) != Big32(p + 8 + length);
    return {bytes.substr(at + 4, 4), bytes.substr(at + 8, length), damaged};
}

// The first chunk, which must be a whole IHDR.
void ReadHeader(PngChunks& chunks, std::string_view bytes)
{
    const Chunk header = ChunkAt(bytes, kSignature);
    CheckImage(header.type == "IHDR" && !header.damaged && header.body.size() == kHeaderBody);
    const auto* p = reinterpret_cast<const unsigned char*>(header.body.data());
    chunks.width = Big32(p);
    chunks.height = Big32(p + 4);
    chunks.depth = p[8];
    chunks.colourType = p[9];
    CheckImage(ValidDepth(chunks.colourType, chunks.depth) && p[10] == 0 && p[11] == 0 && p[12] <= 1);
    chunks.interlaced = p[12] == 1;
    CheckImageSize(chunks.width, chunks.height);
}

// iCCP: a name, a compression method, then the deflated profile.
std::string InflatedProfile(std::string_view body)
{
    const std::size_t name = body.find('\0');
    if (name == std::string_view::npos || name + 2 > body.size() || body[name + 1] != 0)
        return std::string();
    return InflateStream(body.substr(name + 2)).ReadAll(kMaxProfile);
}

void ReadChunk(PngChunks& chunks, std::string_view type, std::string_view body)
{
    if (type == "IDAT") {
        chunks.data.push_back(body);
    } else if (type == "PLTE") {
        CheckImage(body.size() >= 3 && body.size() <= 768 && body.size() % 3 == 0);
        chunks.palette = body;
    } else if (type == "tRNS") {
        chunks.transparency = true;
    } else if (type == "iCCP") {
        chunks.profile = InflatedProfile(body);
    } else if (type == "pHYs" && body.size() == 9 && body[8] == 1) {
        const auto* p = reinterpret_cast<const unsigned char*>(body.data());
        chunks.dpiX = Big32(p) * kInchesPerMetre;
        chunks.dpiY = Big32(p + 4) * kInchesPerMetre;
    }
}

PngChunks ReadChunks(std::string_view bytes)
{
    PngChunks chunks;
    ReadHeader(chunks, bytes);
    for (std::size_t at = kPngHeaderSize;;) {
        const Chunk chunk = ChunkAt(bytes, at);
        at += 12 + chunk.body.size();
        CheckImage(chunk.type != "IHDR");
        // As libpng does: a damaged ancillary chunk is left out, a damaged critical one is fatal.
        if (chunk.damaged)
            CheckImage((chunk.type[0] & 0x20) != 0);
        else if (chunk.type == "IEND")
            return chunks;
        else
            ReadChunk(chunks, chunk.type, chunk.body);
    }
}

int Samples(int colourType) { return colourType == kRgb ? 3 : 1; }

bool PassesThrough(const PngChunks& chunks)
{
    const bool opaque = chunks.colourType == kGray || chunks.colourType == kRgb || chunks.colourType == kPalette;
    // Rows too many for readers are decoded to be thinned out: a filtered row needs the one before it.
    const bool readable = chunks.width <= kPdfLargestImageSide && chunks.height <= kPdfLargestImageSide;
    return opaque && !chunks.interlaced && !chunks.transparency && readable;
}

// Checks that the data inflates to every row, each with a PNG filter, as a decoder would find.
void CheckRows(const std::string& data, const PngChunks& chunks)
{
    const std::size_t rowBytes =
        1 + (std::size_t{chunks.width} * static_cast<std::size_t>(Samples(chunks.colourType) * chunks.depth) + 7) / 8;
    std::vector<unsigned char> row(rowBytes);
    InflateStream rows(data);
    for (std::uint32_t y = 0; y < chunks.height; ++y) {
        rows.Read(row.data(), row.size());
        CheckImage(row[0] <= 4);
    }
}

// The zlib header declares a window no smaller than its data reaches back into, whatever the writer
// declared: zlib takes the data either way, stricter PDF readers only then.
void DeclareWholeWindow(std::string& data)
{
    constexpr unsigned char kDeflateWholeWindow = 0x78;
    CheckImage(data.size() >= 2 && (static_cast<unsigned char>(data[0]) & 0x0f) == 8);
    const unsigned levelAndDictionary = static_cast<unsigned char>(data[1]) & 0xe0;
    const unsigned check = 31 - (kDeflateWholeWindow * 256u + levelAndDictionary) % 31;
    data[0] = static_cast<char>(kDeflateWholeWindow);
    data[1] = static_cast<char>(levelAndDictionary | (check % 31));
}

DecodedImage PassedThrough(const PngChunks& chunks)
{
    DecodedImage image;
    image.width = chunks.width;
    image.height = chunks.height;
    image.bitsPerComponent = chunks.depth;
    if (chunks.colourType == kPalette) {
        CheckImage(!chunks.palette.empty());
        image.colours = PdfColours::Indexed;
        image.palette = std::string(chunks.palette);
    } else {
        image.colours = chunks.colourType == kRgb ? PdfColours::Rgb : PdfColours::Gray;
    }
    image.filter = PdfFilter::FlateDecode;
    image.predictor = PngPrediction{Samples(chunks.colourType), chunks.depth, chunks.width};
    for (const std::string_view piece : chunks.data)
        image.data += piece;
    CheckRows(image.data, chunks);
    DeclareWholeWindow(image.data);
    return image;
}

}  // namespace

void CheckPngHeader(std::string_view bytes)
{
    PngChunks chunks;
    ReadHeader(chunks, bytes);
}

DecodedImage ReadPng(std::string_view bytes)
{
    PngChunks chunks = ReadChunks(bytes);
    DecodedImage image = PassesThrough(chunks) ? PassedThrough(chunks) : DecodePng(bytes);
    image.iccProfile = FittingProfile(std::move(chunks.profile), image.colours);
    image.dpiX = Dpi(chunks.dpiX);
    image.dpiY = Dpi(chunks.dpiY);
    return image;
}
