// Deflates samples as they are decoded. A picture of up to a few MiB is held and deflated whole at its
// end, by libdeflate, in half the time zlib takes; a larger one goes through zlib as it comes, so that
// only its compressed data is ever held.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <optional>
#include <string>

class FlateStream {
public:
    void Write(const unsigned char* data, std::size_t size);
    // Ends the stream and hands over its data; nothing may be written after.
    std::string Finish();

private:
    // Owner of a zlib deflate stream, which appends what it makes to out.
    class ZlibStream {
    public:
        ZlibStream();
        ZlibStream(const ZlibStream&) = delete;
        ZlibStream& operator=(const ZlibStream&) = delete;
        ~ZlibStream() { deflateEnd(&m_stream); }

        void Write(const unsigned char* data, std::size_t size, std::string& out);
        void Finish(std::string& out);

    private:
        void Deflate(int flush, std::string& out);

        z_stream m_stream{};
    };

    std::string m_held;
    std::optional<ZlibStream> m_zlib;
    std::string m_data;
};
