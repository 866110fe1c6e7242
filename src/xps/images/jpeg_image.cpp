// JPEG: read from its markers alone and passed through as DCTDecode, which takes baseline, extended and
// progressive Huffman-coded data at 8 bits; anything else is decoded, where libjpeg can.
#include <map>
#include <string>

#include "xps/byte_order.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_metadata.h"
#include "xps/images/image_readers.h"
#include "xps/images/jpeg_decoder.h"
#include "xps/images/jpeg_walk.h"

namespace {

constexpr unsigned kCentimetresPerInchTimes100 = 254;

struct Resolution {
    double x = 0;
    double y = 0;
};

// What the segments other than the frame say.
struct Markers {
    bool adobe = false;
    Resolution jfif;
    Resolution exif;
    // ICC_PROFILE chunks by their sequence number, each saying how many there are.
    std::map<unsigned, std::string_view> profileChunks;
    unsigned profileChunkCount = 0;
    bool profileBroken = false;
};

Resolution Density(unsigned units, double x, double y)
{
    if (units == 1)
        return {x, y};
    if (units == 2)
        return {x * kCentimetresPerInchTimes100 / 100, y * kCentimetresPerInchTimes100 / 100};
    return {};
}

void ReadJfif(Markers& markers, std::string_view segment)
{
    const auto* p = reinterpret_cast<const unsigned char*>(segment.data());
    if (segment.size() >= 12 && segment.substr(0, 5) == std::string_view("JFIF\0", 5))
        markers.jfif = Density(p[7], Big16(p + 8), Big16(p + 10));
}

// The resolution in an Exif block's first directory, a TIFF header of its own.
void ReadExif(Markers& markers, std::string_view segment)
{
    if (segment.size() < 14 || segment.substr(0, 6) != std::string_view("Exif\0\0", 6))
        return;
    const std::string_view tiff = segment.substr(6);
    const auto* base = reinterpret_cast<const unsigned char*>(tiff.data());
    const bool big = tiff[0] == 'M';
    const auto read16 = [&](std::size_t at) { return big ? Big16(base + at) : Little16(base + at); };
    const auto read32 = [&](std::size_t at) { return big ? Big32(base + at) : Little32(base + at); };
    const auto rational = [&](std::size_t at) -> double {
        if (at > tiff.size() || tiff.size() - at < 8 || read32(at + 4) == 0)
            return 0;
        return static_cast<double>(read32(at)) / read32(at + 4);
    };
    const std::size_t directory = read32(4);
    if (directory > tiff.size() || tiff.size() - directory < 2)
        return;
    const std::size_t entries = read16(directory);
    double x = 0;
    double y = 0;
    unsigned unit = 2;
    for (std::size_t i = 0; i < entries && directory + 2 + (i + 1) * 12 <= tiff.size(); ++i) {
        const std::size_t entry = directory + 2 + i * 12;
        const unsigned tag = read16(entry);
        if (tag == 0x011A)
            x = rational(read32(entry + 8));
        else if (tag == 0x011B)
            y = rational(read32(entry + 8));
        else if (tag == 0x0128)
            unit = read16(entry + 8);
    }
    // Exif's units are TIFF's: 2 inches, 3 centimetres.
    markers.exif = Density(unit - 1, x, y);
}

void ReadProfileChunk(Markers& markers, std::string_view segment)
{
    if (segment.size() < 14 || segment.substr(0, 12) != std::string_view("ICC_PROFILE\0", 12))
        return;
    const unsigned sequence = static_cast<unsigned char>(segment[12]);
    const unsigned count = static_cast<unsigned char>(segment[13]);
    if (markers.profileChunks.empty())
        markers.profileChunkCount = count;
    markers.profileBroken = markers.profileBroken || count != markers.profileChunkCount || sequence == 0 ||
                            sequence > count || !markers.profileChunks.emplace(sequence, segment.substr(14)).second;
}

std::string JoinedProfile(const Markers& markers)
{
    std::string profile;
    if (markers.profileBroken || markers.profileChunks.size() != markers.profileChunkCount)
        return profile;
    for (const auto& chunk : markers.profileChunks)
        profile += chunk.second;
    return profile;
}

void ReadSegment(Markers& markers, unsigned char marker, std::string_view segment)
{
    if (marker == 0xE0)
        ReadJfif(markers, segment);
    else if (marker == 0xE1)
        ReadExif(markers, segment);
    else if (marker == 0xE2)
        ReadProfileChunk(markers, segment);
    else if (marker == 0xEE && segment.size() >= 12 && segment.substr(0, 5) == "Adobe")
        markers.adobe = true;
}

bool PassesThrough(const JpegFrame& frame)
{
    return frame.marker <= 0xC2 && frame.precision == 8;
}

PdfColours Colours(int components)
{
    CheckImage(components == 1 || components == 3 || components == 4);
    return components == 1 ? PdfColours::Gray : components == 3 ? PdfColours::Rgb : PdfColours::Cmyk;
}

}  // namespace

DecodedImage ReadJpeg(std::string_view bytes)
{
    Markers markers;
    JpegWalk walk;
    walk.Walk(bytes, [&markers](unsigned char marker, std::string_view segment) {
        ReadSegment(markers, marker, segment);
    });
    walk.Finish();
    const JpegFrame& frame = walk.Frame();
    DecodedImage image;
    if (PassesThrough(frame)) {
        image.width = frame.width;
        image.height = frame.height;
        image.colours = Colours(frame.components);
        image.filter = PdfFilter::DCTDecode;
        image.data = std::string(bytes);
    } else {
        image = DecodeJpeg(bytes);
    }
    // Adobe's applications, the only ones to write CMYK JPEGs with its marker, store them inverted.
    image.inverted = image.colours == PdfColours::Cmyk && markers.adobe;
    image.iccProfile = FittingProfile(JoinedProfile(markers), image.colours);
    const Resolution resolution = markers.jfif.x > 0 && markers.jfif.y > 0 ? markers.jfif : markers.exif;
    image.dpiX = Dpi(resolution.x);
    image.dpiY = Dpi(resolution.y);
    return image;
}
