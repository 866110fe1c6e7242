#include <gtest/gtest.h>

#include <chrono>

#include "image_samples.h"
#include "read_status.h"

namespace {

using namespace std::string_literals;

std::string Big32(std::uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

// A PNG chunk with its CRC.
std::string Chunk(const std::string& type, const std::string& body)
{
    // CRC-32 as PNG computes it, bit by bit: these chunks are tiny.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : type + body) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return Big32(static_cast<std::uint32_t>(body.size())) + type + body + Big32(~crc);
}

TEST(HostileImages, ClaimedSizesPastTheBoundAreRefusedAtOnce)
{
    const std::string png = "\x89PNG\r\n\x1A\n"s + Chunk("IHDR", Big32(100000) + Big32(100000) + "\x08\x02\0\0\0"s);
    const std::string jpeg = "\xFF\xD8\xFF\xC0\0\x11\x08\xFF\xFF\xFF\xFF\x03\x01\x22\0\x02\x11\x01\x03\x11\x01"
                             "\xFF\xDA\0\x0C\x03\x01\0\x02\x11\x03\x11\0\x3F\0\x12\x34\xFF\xD9"s;
    // One directory of width, height and a strip 1 byte long at offset 8.
    const std::string tiff = "II*\0\x08\0\0\0\x04\0"
                             "\x00\x01\x04\0\x01\0\0\0\xA0\x86\x01\0"
                             "\x01\x01\x04\0\x01\0\0\0\xA0\x86\x01\0"
                             "\x06\x01\x03\0\x01\0\0\0\x02\0\0\0"
                             "\x11\x01\x04\0\x01\0\0\0\x08\0\0\0"
                             "\0\0\0\0"s;
    for (const std::string& image : {png, jpeg, tiff}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadStatus(image), WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    }
}

TEST(HostileImages, AnythingElseIsABadImage)
{
    for (const std::string& bytes : {""s, "GIF89a\1\0\1\0\0\0\0"s, "\xFF\xD8\xFF"s, "\x89PNG\r\n\x1A\n"s, "II*\0"s,
                                     "II\xBC\x01\0\0\0\0"s, std::string(64, '\xFF')})
        EXPECT_EQ(ReadStatus(bytes), WINCODEC_ERR_BADIMAGE) << bytes.size();
}

// The tool writes exactly one line when it fails, so the libraries must keep quiet whatever they read.
TEST(HostileImages, DamagedImagesFailSilently)
{
    PngOptions rgba;
    rgba.colourType = 6;
    std::string damaged[] = {MakeJpeg(Gradient(32, 32, 3)), MakePng(Gradient(32, 32, 4), rgba),
                             MakeTiff(Gradient(32, 32, 3)), MakeJpegXr(Gradient(32, 32, 3), 96, 96)};
    for (std::string& image : damaged) {
        for (std::size_t i = image.size() / 3; i < image.size(); i += 7)
            image[i] = static_cast<char>(image[i] ^ 0x5A);
        // A directory entry jxrlib does not know, which it would report on standard output.
        if (image.compare(0, 3, "II\xBC") == 0)
            image[static_cast<unsigned char>(image[4]) + 2u] = '\x7F';
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        ReadStatus(image);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

}  // namespace
