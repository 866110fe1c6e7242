// Deflating into the zlib format that PDF's FlateDecode reads: data held whole goes through libdeflate,
// in half the time zlib takes; data too large to hold goes through zlib as it comes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <zlib.h>

struct libdeflate_compressor;

// Owner of a libdeflate compressor; one serves one thread at a time.
class Deflater {
public:
    explicit Deflater(int level);
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    ~Deflater();

    std::string Deflate(std::string_view data);

private:
    libdeflate_compressor* m_compressor;
};

// Owner of a zlib deflate stream, which appends what it makes to out.
class StreamDeflater {
public:
    explicit StreamDeflater(int level);
    StreamDeflater(const StreamDeflater&) = delete;
    StreamDeflater& operator=(const StreamDeflater&) = delete;
    ~StreamDeflater() { deflateEnd(&m_stream); }

    void Write(const unsigned char* data, std::size_t size, std::string& out);
    // Ends the stream; nothing may be written after.
    void Finish(std::string& out);

private:
    void Deflate(int flush, std::string& out);

    z_stream m_stream{};
};
