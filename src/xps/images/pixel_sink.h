// Where decoders put their rows: interleaved 8-bit samples split into the image's colour data and its
// soft mask, each deflated as it comes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "xps/images/decoded_image.h"
#include "xps/images/flate_stream.h"

class PixelSink {
public:
    // Rows hold width pixels of colourChannels samples, followed by one of alpha where withAlpha.
    PixelSink(std::uint32_t width, int colourChannels, bool withAlpha);

    void WriteRow(const unsigned char* row);
    // Sets the image's data and, where some pixel is not opaque, its alpha; FlateDecode.
    void Finish(DecodedImage& image);

private:
    std::uint32_t m_width;
    int m_colourChannels;
    bool m_translucent = false;
    FlateStream m_colour;
    std::optional<FlateStream> m_alpha;
    std::vector<unsigned char> m_colourRow;
    std::vector<unsigned char> m_alphaRow;
};
