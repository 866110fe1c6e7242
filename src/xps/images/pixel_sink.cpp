#include "xps/images/pixel_sink.h"

PixelSink::PixelSink(std::uint32_t width, int colourChannels, bool withAlpha)
    : m_width(width), m_colourChannels(colourChannels)
{
    if (!withAlpha)
        return;
    m_alpha.emplace();
    m_colourRow.resize(std::size_t{width} * static_cast<std::size_t>(colourChannels));
    m_alphaRow.resize(width);
}

void PixelSink::WriteRow(const unsigned char* row)
{
    const auto channels = static_cast<std::size_t>(m_colourChannels);
    if (!m_alpha) {
        m_colour.Write(row, m_width * channels);
        return;
    }
    unsigned char* colour = m_colourRow.data();
    for (std::uint32_t x = 0; x < m_width; ++x) {
        for (std::size_t c = 0; c < channels; ++c)
            *colour++ = *row++;
        m_alphaRow[x] = *row++;
        m_translucent = m_translucent || m_alphaRow[x] != 255;
    }
    m_colour.Write(m_colourRow.data(), m_colourRow.size());
    m_alpha->Write(m_alphaRow.data(), m_alphaRow.size());
}

void PixelSink::Finish(DecodedImage& image)
{
    image.filter = PdfFilter::FlateDecode;
    image.bitsPerComponent = 8;
    image.data = m_colour.Finish();
    if (m_translucent)
        image.alpha = m_alpha->Finish();
}
