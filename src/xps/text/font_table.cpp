#include "xps/text/font_table.h"

FontTable::FontTable(hb_face_t* face, hb_tag_t tag) : m_blob(hb_face_reference_table(face, tag))
{
    m_data = reinterpret_cast<const std::uint8_t*>(hb_blob_get_data(m_blob.get(), &m_size));
    if (m_data == nullptr)
        m_size = 0;
}

std::uint8_t FontTable::U8(unsigned offset) const
{
    return offset < m_size ? m_data[offset] : 0;
}

std::uint16_t FontTable::U16(unsigned offset) const
{
    return static_cast<std::uint16_t>(U8(offset) << 8 | U8(offset + 1));
}

std::uint32_t FontTable::U32(unsigned offset) const
{
    return static_cast<std::uint32_t>(U16(offset)) << 16 | U16(offset + 2);
}
