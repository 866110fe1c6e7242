// One table of a font, read big-endian with every read bounded by the table's length: HarfBuzz keeps to
// the tables it knows, and these few fields it does not give.
#pragma once

#include <cstdint>

#include "xps/text/harfbuzz_owner.h"

class FontTable {
public:
    FontTable(hb_face_t* face, hb_tag_t tag);

    unsigned Size() const { return m_size; }
    // Zero for a field that lies past the table's end.
    std::uint8_t U8(unsigned offset) const;
    std::uint16_t U16(unsigned offset) const;
    std::int16_t S16(unsigned offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(unsigned offset) const;

private:
    HbBlob m_blob;
    const std::uint8_t* m_data = nullptr;
    unsigned m_size = 0;
};
