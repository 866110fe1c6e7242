// Deflating and inflating, whole and streamed, each read back by the other's kind.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>

#include "xps/deflate/deflate.h"
#include "xps/deflate/inflate.h"

namespace {

// Longer than a zlib piece, and not all of one byte, so that both ways work in more than one step.
std::string Sample()
{
    std::string text;
    for (int i = 0; text.size() < 200'000; ++i)
        text += "q " + std::to_string(i * 7919 % 1000) + " 0 0 1 re f Q\n";
    return text;
}

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

std::string RawDeflated(const std::string& text)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = const_cast<unsigned char*>(Bytes(text));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<unsigned char*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Inflates zlib data through StreamInflater, a small piece at a time; the last step taken in step.
std::string Inflated(const std::string& deflated, InflateStep& step)
{
    StreamInflater inflater(InflateFormat::Zlib);
    inflater.Give(Bytes(deflated), deflated.size());
    std::string out;
    unsigned char piece[1000];
    do {
        std::size_t came = 0;
        step = inflater.Inflate(piece, sizeof piece, came);
        out.append(reinterpret_cast<const char*>(piece), came);
    } while (step == InflateStep::Going);
    return out;
}

}  // namespace

TEST(Deflate, WholeAndStreamedDataInflateBackToWhatWentIn)
{
    const std::string text = Sample();
    InflateStep step;
    EXPECT_EQ(Inflated(Deflater(2).Deflate(text), step), text);
    EXPECT_EQ(step, InflateStep::Ended);

    StreamDeflater streamed(1);
    std::string deflated;
    // Rows of odd sizes, and one block larger than zlib takes at once.
    for (std::size_t at = 0; at < 1000; at += 37)
        streamed.Write(Bytes(text) + at, std::min<std::size_t>(37, 1000 - at), deflated);
    streamed.Write(Bytes(text) + 1000, text.size() - 1000, deflated);
    streamed.Finish(deflated);
    EXPECT_EQ(Inflated(deflated, step), text);
    EXPECT_EQ(step, InflateStep::Ended);
}

TEST(Deflate, DamagedOrShortDataStopsTheStream)
{
    std::string deflated = Deflater(2).Deflate(Sample());
    InflateStep step;
    Inflated(deflated.substr(0, deflated.size() / 2), step);
    EXPECT_EQ(step, InflateStep::Stalled);
    deflated[0] = 0;  // no zlib header
    Inflated(deflated, step);
    EXPECT_EQ(step, InflateStep::Broken);
}

TEST(Deflate, WholeInflatingTakesOnlyDataOfExactlyTheSizeGiven)
{
    const std::string text = Sample();
    const std::string raw = RawDeflated(text);
    std::string out(text.size() + 1, '\0');
    auto* into = reinterpret_cast<unsigned char*>(out.data());
    ASSERT_TRUE(InflateWhole(Bytes(raw), raw.size(), into, text.size()));
    EXPECT_EQ(out.substr(0, text.size()), text);
    EXPECT_FALSE(InflateWhole(Bytes(raw), raw.size(), into, text.size() - 1));
    EXPECT_FALSE(InflateWhole(Bytes(raw), raw.size(), into, text.size() + 1));
    const std::string trailed = raw + "x";
    EXPECT_FALSE(InflateWhole(Bytes(trailed), trailed.size(), into, text.size()));
}

TEST(Deflate, Crc32IsTheZipAndPngOne)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(0, Bytes(check), check.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32(Crc32(0, Bytes(check), 4), Bytes(check) + 4, 5), 0xCBF43926u);
}
