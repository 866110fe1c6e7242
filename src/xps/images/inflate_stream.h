// Reads deflated data back a piece at a time: a PNG's IDAT data checked without holding its rows,
// and the passes of an interlaced PNG put together in row order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "xps/deflate/inflate.h"

// Over data held by the caller.
class InflateStream {
public:
    explicit InflateStream(std::string_view deflated);

    // Fills out with the next size bytes; fails as a bad image where the data is damaged or ends first.
    void Read(unsigned char* out, std::size_t size);
    // Reads what is left; nothing where that is damaged, cut short or longer than limit.
    std::string ReadAll(std::size_t limit);

private:
    // Inflates into out; returns how much came, which is less only where the data ended or broke.
    std::size_t Inflate(unsigned char* out, std::size_t size);

    StreamInflater m_inflater{InflateFormat::Zlib};
    // Inflated ahead of Read, which takes a narrow picture's rows a few bytes at a time.
    std::string m_ahead;
    std::size_t m_at = 0;
    bool m_ended = false;
    bool m_broken = false;
};
