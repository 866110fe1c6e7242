// Inflating: data whose inflated size is known inflated whole by libdeflate, in a third of the time zlib
// takes; anything else through zlib, a piece at a time, which tells where and how the data breaks.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zlib.h>

enum class InflateFormat { Zlib, Raw };

// How far one call to StreamInflater::Inflate went.
enum class InflateStep {
    Going,
    Ended,
    // Nothing could be done: the input ran out, or out had no room.
    Stalled,
    OutOfMemory,
    Broken,
};

// Owner of a zlib inflate stream over input held by the caller.
class StreamInflater {
public:
    // Fails as E_OUTOFMEMORY.
    explicit StreamInflater(InflateFormat format);
    StreamInflater(const StreamInflater&) = delete;
    StreamInflater& operator=(const StreamInflater&) = delete;
    ~StreamInflater() { inflateEnd(&m_stream); }

    // The next input, under 4 GiB, held by the caller until Waiting() is zero.
    void Give(const unsigned char* data, std::size_t size);
    std::size_t Waiting() const { return m_stream.avail_in; }
    // Inflates into out, under 4 GiB; came says how much.
    InflateStep Inflate(unsigned char* out, std::size_t size, std::size_t& came);

private:
    z_stream m_stream{};
};

// Inflates raw deflate data into out whole; false unless it takes all of in and fills out exactly.
bool InflateWhole(const unsigned char* in, std::size_t inSize, unsigned char* out, std::size_t outSize);

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size);
