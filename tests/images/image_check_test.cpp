#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <string>

#include "image_samples.h"
#include "read_status.h"
#include "xps/images/image_check.h"

namespace {

using namespace std::string_literals;

// The status a part ends its check with, fed in pieces of the given size.
HRESULT CheckStatus(const std::string& bytes, std::size_t piece)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    try {
        ImageCheck check;
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            check.Feed(data + at, std::min(piece, bytes.size() - at));
        check.Finish();
    } catch (const DocumentFailure& failure) {
        return failure.Status();
    }
    return S_OK;
}

std::string Little32(std::uint32_t value)
{
    return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
            static_cast<char>(value >> 24)};
}

std::string Big32(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string PngHeader(std::uint32_t side)
{
    const std::string chunk = "IHDR"s + Big32(side) + Big32(side) + "\x08\x02\0\0\0"s;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size()));
    return "\x89PNG\r\n\x1A\n"s + Big32(13) + chunk + Big32(static_cast<std::uint32_t>(crc));
}

// Fill bytes before its frame, which has bytes to spare, and junk after it.
std::string Jpeg(unsigned side)
{
    const std::string size{static_cast<char>(side >> 8), static_cast<char>(side & 0xFF)};
    return "\xFF\xD8\xFF\xE0\x00\x06JFIF\xFF\xFF\xC2\x00\x11\x08"s + size + size + std::string(12, '\x01') +
           "\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x01\xFF\xD9"s;
}

// A TIFF keeps its directory where it likes: here after the image data.
std::string Tiff(std::uint32_t side)
{
    const auto entry = [](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        return std::string{static_cast<char>(tag), static_cast<char>(tag >> 8), static_cast<char>(type), '\0'} +
               Little32(1) + Little32(value);
    };
    return "II*\0"s + Little32(12) + "data" + "\x04\x00"s + entry(256, 4, side) + entry(257, 4, side) +
           entry(262, 3, 1) + entry(273, 4, 8) + Little32(0);
}

// Image headers as they stream past: the size is found, and a JPEG cut short is, wherever the pieces
// happen to break.
TEST(ImageCheck, ImagesClaimingTooManyPixelsOrCutShortAreRefused)
{
    // A JPEG goes on to its end marker through tables, scans of coded data and restarts.
    const std::string frame("\xFF\xD8\xFF\xC2\x00\x0B\x08\x00\x10\x00\x10\x01\x01\x11\x00", 15);
    const std::string scan("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00" "ab\xFF\x00" "c\xFF\xD0" "d", 17);
    const std::string tables("\xFF\xC4\x00\x04\xFF\xD9", 6);
    const std::string whole = frame + scan + tables + scan + "\xFF\xD9" + "trailing";
    const std::pair<std::string, HRESULT> cases[] = {
        {whole, S_OK},
        {whole.substr(0, whole.find("trailing") - 1), WINCODEC_ERR_BADIMAGE},
        {frame + scan, WINCODEC_ERR_BADIMAGE},
        {frame + "junk" + scan + "\xFF\xD9", S_OK},
        {frame + "junk" + scan, WINCODEC_ERR_BADIMAGE},
        {"\xFF\xD8\xFF\xE1\x10\x00" "Exif"s, WINCODEC_ERR_BADIMAGE},
        {Jpeg(6000), S_OK},      {Jpeg(8000), WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
        {PngHeader(6000), S_OK}, {PngHeader(100000), WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
        {Tiff(6000), S_OK},      {Tiff(100000), WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
        // Damage other than a JPEG's waits for the image to be drawn: a part no page draws is no failure.
        {"II+\0\x08\x00\x00\x00"s, S_OK},
        {PngHeader(6000).substr(0, 20), S_OK},
        {"II*\0"s + Little32(4096), S_OK},
        {std::string(4096, '<'), S_OK},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(CheckStatus(bytes, bytes.size()), expected) << bytes.size();
        EXPECT_EQ(CheckStatus(bytes, 1), expected) << bytes.size();
    }
}

// The check walks a JPEG by its reader's own rule: cut anywhere, it fails as the reader fails it.
TEST(ImageCheck, ImagesTheReadersTakeAreTakenAndAJpegCutShortFailsAsItsReaderFailsIt)
{
    const std::string jpeg = MakeJpeg(Gradient(33, 17, 3));
    for (const std::string& image : {jpeg, MakePng(Gradient(33, 17, 3)), MakeTiff(Gradient(33, 17, 3)),
                                     MakeJpegXr(Gradient(33, 17, 3), 96, 96)}) {
        EXPECT_EQ(CheckStatus(image, image.size()), S_OK);
        EXPECT_EQ(CheckStatus(image, 5), S_OK);
    }
    for (std::size_t size = 3; size < jpeg.size(); size += 7) {
        const std::string cut = jpeg.substr(0, size);
        EXPECT_EQ(CheckStatus(cut, 1), ReadStatus(cut)) << size;
        EXPECT_EQ(CheckStatus(cut, cut.size()), WINCODEC_ERR_BADIMAGE) << size;
    }
}

}  // namespace
