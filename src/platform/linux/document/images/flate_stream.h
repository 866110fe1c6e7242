// Deflates samples as they are decoded, so that only the compressed image is ever held.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <string>

// Owner of a zlib deflate stream.
class FlateStream {
public:
    FlateStream();
    FlateStream(const FlateStream&) = delete;
    FlateStream& operator=(const FlateStream&) = delete;
    ~FlateStream();

    void Write(const unsigned char* data, std::size_t size);
    // Ends the stream and hands over its data; nothing may be written after.
    std::string Finish();

private:
    void Deflate(int flush);

    z_stream m_stream{};
    std::string m_data;
};
