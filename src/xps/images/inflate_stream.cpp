#include "xps/images/inflate_stream.h"

#include <algorithm>
#include <cstring>

#include "xps/images/image_failure.h"

namespace {

constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

InflateStream::InflateStream(std::string_view deflated)
{
    // Image data never reaches 4 GiB: the part it comes from is at most 64 MiB.
    m_inflater.Give(reinterpret_cast<const unsigned char*>(deflated.data()), deflated.size());
}

void InflateStream::Read(unsigned char* out, std::size_t size)
{
    while (size > 0) {
        if (m_at == m_ahead.size()) {
            m_ahead.resize(kPiece);
            m_ahead.resize(Inflate(reinterpret_cast<unsigned char*>(m_ahead.data()), kPiece));
            m_at = 0;
            CheckImage(!m_ahead.empty());
        }
        const std::size_t taken = std::min(size, m_ahead.size() - m_at);
        std::memcpy(out, m_ahead.data() + m_at, taken);
        out += taken;
        size -= taken;
        m_at += taken;
    }
}

std::string InflateStream::ReadAll(std::size_t limit)
{
    std::string all = m_ahead.substr(m_at);
    m_at = m_ahead.size();
    for (;;) {
        const std::size_t start = all.size();
        all.resize(start + kPiece);
        const std::size_t came = Inflate(reinterpret_cast<unsigned char*>(&all[start]), kPiece);
        all.resize(start + came);
        if (m_broken || all.size() > limit)
            return std::string();
        if (m_ended)
            return all;
    }
}

std::size_t InflateStream::Inflate(unsigned char* out, std::size_t size)
{
    std::size_t came = 0;
    while (came < size && !m_ended && !m_broken) {
        std::size_t piece = 0;
        const InflateStep step = m_inflater.Inflate(out + came, std::min(size - came, kPiece), piece);
        came += piece;
        m_ended = step == InflateStep::Ended;
        m_broken = step != InflateStep::Going && !m_ended;
    }
    return came;
}
