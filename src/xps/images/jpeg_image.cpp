// JPEG: read from its markers alone and passed through as DCTDecode, which takes baseline, extended and
// progressive Huffman-coded data at 8 bits; anything else is decoded, where libjpeg can.
#include <cstring>
#include <map>
#include <string>

#include "xps/images/image_bytes.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_metadata.h"
#include "xps/images/image_readers.h"
#include "xps/images/jpeg_decoder.h"

namespace {

constexpr unsigned char kEndOfImage = 0xD9;
constexpr unsigned char kStartOfScan = 0xDA;
constexpr unsigned kCentimetresPerInchTimes100 = 254;

struct Resolution {
    double x = 0;
    double y = 0;
};

struct Markers {
    unsigned char frame = 0;
    int precision = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int components = 0;
    bool adobe = false;
    Resolution jfif;
    Resolution exif;
    // ICC_PROFILE chunks by their sequence number, each saying how many there are.
    std::map<unsigned, std::string_view> profileChunks;
    unsigned profileChunkCount = 0;
    bool profileBroken = false;
};

bool IsFrame(unsigned char marker)
{
    // C4 (DHT), C8 (reserved) and CC (DAC) sit among the frame markers.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

Resolution Density(unsigned units, double x, double y)
{
    if (units == 1)
        return {x, y};
    if (units == 2)
        return {x * kCentimetresPerInchTimes100 / 100, y * kCentimetresPerInchTimes100 / 100};
    return {};
}

void ReadFrame(Markers& markers, unsigned char marker, std::string_view segment)
{
    const auto* p = reinterpret_cast<const unsigned char*>(segment.data());
    CheckImage(markers.frame == 0 && segment.size() >= 6);
    markers.frame = marker;
    markers.precision = p[0];
    markers.height = Big16(p + 1);
    markers.width = Big16(p + 3);
    markers.components = p[5];
    CheckImage(segment.size() >= 6 + 3 * std::size_t{p[5]});
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
    if (IsFrame(marker))
        ReadFrame(markers, marker, segment);
    else if (marker == 0xE0)
        ReadJfif(markers, segment);
    else if (marker == 0xE1)
        ReadExif(markers, segment);
    else if (marker == 0xE2)
        ReadProfileChunk(markers, segment);
    else if (marker == 0xEE && segment.size() >= 12 && segment.substr(0, 5) == "Adobe")
        markers.adobe = true;
}

// Skips a scan's entropy-coded data, which ends at the first marker other than a stuffed zero or a
// restart; a JPEG cut short inside it is refused.
std::size_t SkipScanData(std::string_view bytes, std::size_t at)
{
    for (;;) {
        const void* found = std::memchr(bytes.data() + at, 0xFF, bytes.size() - at);
        CheckImage(found != nullptr);
        at = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
        CheckImage(at + 1 < bytes.size());
        const auto next = static_cast<unsigned char>(bytes[at + 1]);
        if (next != 0x00 && next != 0xFF && (next < 0xD0 || next > 0xD7))
            return at;
        at += next == 0xFF ? 1 : 2;
    }
}

Markers ReadMarkers(std::string_view bytes)
{
    Markers markers;
    bool scanned = false;
    std::size_t at = 2;
    for (;;) {
        // Fill bytes, and junk before a marker, are passed over as libjpeg passes them.
        while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) != 0xFF)
            ++at;
        while (at < bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF)
            ++at;
        CheckImage(at < bytes.size());
        const auto marker = static_cast<unsigned char>(bytes[at++]);
        if (marker == kEndOfImage) {
            CheckImage(scanned);
            return markers;
        }
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        CheckImage(marker != 0xD8 && bytes.size() - at >= 2);
        const std::size_t length = Big16(reinterpret_cast<const unsigned char*>(bytes.data() + at));
        CheckImage(length >= 2 && bytes.size() - at >= length);
        ReadSegment(markers, marker, bytes.substr(at + 2, length - 2));
        at += length;
        if (marker == kStartOfScan) {
            CheckImage(markers.frame != 0);
            scanned = true;
            at = SkipScanData(bytes, at);
        }
    }
}

bool PassesThrough(const Markers& markers)
{
    return markers.frame <= 0xC2 && markers.precision == 8;
}

PdfColours Colours(int components)
{
    CheckImage(components == 1 || components == 3 || components == 4);
    return components == 1 ? PdfColours::Gray : components == 3 ? PdfColours::Rgb : PdfColours::Cmyk;
}

}  // namespace

DecodedImage ReadJpeg(std::string_view bytes)
{
    const Markers markers = ReadMarkers(bytes);
    CheckImageSize(markers.width, markers.height);
    DecodedImage image;
    if (PassesThrough(markers)) {
        image.width = markers.width;
        image.height = markers.height;
        image.colours = Colours(markers.components);
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
