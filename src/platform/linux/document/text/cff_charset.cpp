#include "cff_charset.h"

#include "font_table.h"

namespace {

constexpr std::uint16_t kRosOperator = 1230;  // 12 30, which only CID-keyed fonts' top DICT holds
constexpr std::uint16_t kCharsetOperator = 15;

// Where an INDEX's data for its first entry starts and ends, and where the INDEX ends.
struct IndexSpan {
    unsigned first = 0;
    unsigned firstEnd = 0;
    unsigned end = 0;
};

bool ReadIndex(const FontTable& cff, unsigned at, IndexSpan& span)
{
    const unsigned count = cff.U16(at);
    if (count == 0) {
        span = {at + 2, at + 2, at + 2};
        return true;
    }
    const unsigned offSize = cff.U8(at + 2);
    if (offSize < 1 || offSize > 4)
        return false;
    const auto offset = [&](unsigned i) {
        unsigned value = 0;
        for (unsigned b = 0; b < offSize; ++b)
            value = value << 8 | cff.U8(at + 3 + i * offSize + b);
        return value;
    };
    const unsigned data = at + 3 + (count + 1) * offSize - 1;
    span = {data + offset(0), data + offset(1), data + offset(count)};
    return span.first <= span.firstEnd && span.firstEnd <= span.end && span.end <= cff.Size();
}

}  // namespace

std::vector<std::uint16_t> ReadCids(hb_face_t* face, unsigned glyphCount)
{
    const FontTable cff(face, HB_TAG('C', 'F', 'F', ' '));
    IndexSpan names;
    IndexSpan top;
    if (cff.Size() < 4 || !ReadIndex(cff, cff.U8(2), names) || !ReadIndex(cff, names.end, top))
        return {};

    // The top DICT: operands, then the operator they go with.
    bool cidKeyed = false;
    long charset = 0;
    long last = 0;
    for (unsigned at = top.first; at < top.firstEnd;) {
        const unsigned b = cff.U8(at++);
        if (b <= 21) {
            const unsigned op = b == 12 ? 1200 + cff.U8(at++) : b;
            cidKeyed = cidKeyed || op == kRosOperator;
            if (op == kCharsetOperator)
                charset = last;
        } else if (b == 28) {
            last = static_cast<std::int16_t>(cff.U16(at));
            at += 2;
        } else if (b == 29) {
            last = static_cast<std::int32_t>(cff.U32(at));
            at += 4;
        } else if (b == 30) {
            // A real: nibbles up to one of 0xF.
            while (at < top.firstEnd && (cff.U8(at) & 0x0F) != 0x0F && (cff.U8(at) & 0xF0) != 0xF0)
                ++at;
            ++at;
        } else if (b >= 32 && b <= 246) {
            last = static_cast<long>(b) - 139;
        } else if (b >= 247 && b <= 250) {
            last = (static_cast<long>(b) - 247) * 256 + cff.U8(at++) + 108;
        } else if (b >= 251 && b <= 254) {
            last = -(static_cast<long>(b) - 251) * 256 - cff.U8(at++) - 108;
        }
    }
    // Charsets 0 to 2 are the predefined ones of name-keyed fonts.
    if (!cidKeyed || charset <= 2 || static_cast<unsigned long>(charset) >= cff.Size())
        return {};

    std::vector<std::uint16_t> cids(glyphCount, 0);
    const unsigned format = cff.U8(static_cast<unsigned>(charset));
    unsigned at = static_cast<unsigned>(charset) + 1;
    for (unsigned glyph = 1; glyph < glyphCount;) {
        if (at + 2 > cff.Size())
            return {};
        if (format == 0) {
            cids[glyph++] = cff.U16(at);
            at += 2;
            continue;
        }
        if (format != 1 && format != 2)
            return {};
        const unsigned first = cff.U16(at);
        const unsigned left = format == 1 ? cff.U8(at + 2) : cff.U16(at + 2);
        at += format == 1 ? 3 : 4;
        for (unsigned i = 0; i <= left && glyph < glyphCount; ++i)
            cids[glyph++] = static_cast<std::uint16_t>(first + i);
    }
    return cids;
}
