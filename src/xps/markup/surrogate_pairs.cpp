#include "xps/markup/surrogate_pairs.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

void SurrogatePairs::Feed(const unsigned char* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_order != Order::None; ++i) {
        if (m_order == Order::Unknown) {
            m_unit = m_unit << 8 | bytes[i];
            if (++m_read == 2)
                Decide();
        } else if (m_odd) {
            Unit(m_order == Order::Big ? (m_byte << 8 | bytes[i]) : (bytes[i] << 8 | m_byte));
            m_odd = false;
        } else {
            m_byte = bytes[i];
            m_odd = true;
        }
    }
}

void SurrogatePairs::Finish() const
{
    if (m_high)
        ThrowDocument(XPS_E_INVALID_MARKUP);
}

// As expat tells: by the byte-order mark, else by how the '<' that must start the markup is written.
void SurrogatePairs::Decide()
{
    if (m_unit == 0xFEFF || m_unit == 0x003C)
        m_order = Order::Big;
    else if (m_unit == 0xFFFE || m_unit == 0x3C00)
        m_order = Order::Little;
    else
        m_order = Order::None;
}

void SurrogatePairs::Unit(unsigned unit)
{
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (m_high != low)
        ThrowDocument(XPS_E_INVALID_MARKUP);
    m_high = unit >= 0xD800 && unit <= 0xDBFF;
}
