#include "xps/text/cff_charset.h"

#include "xps/text/cff_table.h"

namespace {

constexpr unsigned kRosOperator = 1230;  // 12 30, which only CID-keyed fonts' top DICT holds
constexpr unsigned kCharsetOperator = 15;

}  // namespace

std::vector<std::uint16_t> ReadCids(hb_face_t* face, unsigned glyphCount)
{
    const FontTable cff(face, HB_TAG('C', 'F', 'F', ' '));
    if (cff.Size() < 4)
        return {};
    const CffIndex names = ReadCffIndex(cff, cff.U8(2), false);
    const CffIndex top = ReadCffIndex(cff, names.end, false);
    if (top.count == 0)
        return {};

    bool cidKeyed = false;
    long charset = 0;
    ReadCffDict(cff, CffEntry(cff, top, 0), [&](unsigned op, const std::vector<long>& operands) {
        cidKeyed = cidKeyed || op == kRosOperator;
        if (op == kCharsetOperator && !operands.empty())
            charset = operands.back();
    });
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
