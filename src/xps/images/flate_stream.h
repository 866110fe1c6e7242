// Deflates samples as they are decoded. A picture of up to a few MiB is held and deflated whole at its
// end, by libdeflate, in half the time zlib takes; a larger one goes through zlib as it comes, so that
// only its compressed data is ever held.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "xps/deflate/deflate.h"

class FlateStream {
public:
    void Write(const unsigned char* data, std::size_t size);
    // Ends the stream and hands over its data; nothing may be written after.
    std::string Finish();

private:
    std::string m_held;
    std::optional<StreamDeflater> m_zlib;
    std::string m_data;
};
