#include "xps/text/cff_table.h"

#include <algorithm>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

namespace {

constexpr unsigned kCharStrings = 17;
constexpr unsigned kPrivate = 18;
constexpr unsigned kSubrs = 19;
constexpr unsigned kRos = 1230;
constexpr unsigned kFdArray = 1236;
constexpr unsigned kFdSelect = 1237;
// CFF2 DICTs may hold as many operands, for blends.
constexpr std::size_t kMostOperands = 513;

void Require(bool holds)
{
    if (!holds)
        ThrowDocument(DWRITE_E_FILEFORMAT);
}

// The DICT's offsets as one tells them: each operator's last operand, or -1 where it has none.
struct DictOffsets {
    long charStrings = -1;
    long privateSize = -1;
    long privateOffset = -1;
    long subrs = -1;
    long fdArray = -1;
    long fdSelect = -1;
    bool cidKeyed = false;
};

DictOffsets ReadOffsets(const FontTable& table, CffRange range)
{
    DictOffsets offsets;
    ReadCffDict(table, range, [&offsets](unsigned op, const std::vector<long>& operands) {
        const long last = operands.empty() ? -1 : operands.back();
        switch (op) {
        case kCharStrings: offsets.charStrings = last; break;
        case kSubrs: offsets.subrs = last; break;
        case kFdArray: offsets.fdArray = last; break;
        case kFdSelect: offsets.fdSelect = last; break;
        case kPrivate:
            offsets.privateSize = operands.size() >= 2 ? operands[operands.size() - 2] : -1;
            offsets.privateOffset = last;
            break;
        default: break;
        }
        offsets.cidKeyed = offsets.cidKeyed || op == kRos;
    });
    return offsets;
}

bool Within(const FontTable& table, long offset) { return offset > 0 && static_cast<unsigned long>(offset) < table.Size(); }

// A Private DICT within the table, and its Subrs INDEX, if it has one, after its start.
void CheckPrivate(const FontTable& table, const DictOffsets& dict, bool cff2)
{
    if (dict.privateOffset < 0 && dict.privateSize < 0) {
        Require(!cff2);
        return;
    }
    if (dict.privateSize == 0)
        return;
    Require(dict.privateSize > 0 && Within(table, dict.privateOffset) &&
            static_cast<unsigned long>(dict.privateOffset + dict.privateSize) <= table.Size());
    const unsigned begin = static_cast<unsigned>(dict.privateOffset);
    const DictOffsets inner = ReadOffsets(table, {begin, begin + static_cast<unsigned>(dict.privateSize)});
    if (inner.subrs < 0)
        return;
    Require(inner.subrs > 0);
    ReadCffIndex(table, begin + static_cast<unsigned>(inner.subrs), cff2);
}

// An FDSelect that gives every glyph one of fonts Font DICTs (formats 0 and 3, and 4 in CFF2).
void CheckFdSelect(const FontTable& table, unsigned at, unsigned glyphs, unsigned fonts)
{
    const unsigned format = table.U8(at);
    if (format == 0) {
        for (unsigned glyph = 0; glyph < glyphs; ++glyph)
            Require(at + 1 + glyph < table.Size() && table.U8(at + 1 + glyph) < fonts);
        return;
    }
    Require(format == 3 || format == 4);
    const bool wide = format == 4;
    const std::uint64_t ranges = wide ? table.U32(at + 1) : table.U16(at + 1);
    const unsigned first = at + (wide ? 5 : 3);
    const unsigned size = wide ? 6 : 3;
    Require(ranges != 0 && first + ranges * size + (wide ? 4 : 2) <= table.Size());
    const auto glyphAt = [&](std::uint64_t i) {
        const unsigned where = static_cast<unsigned>(first + i * size);
        return wide ? table.U32(where) : table.U16(where);
    };
    for (std::uint64_t i = 0; i < ranges; ++i) {
        const unsigned where = static_cast<unsigned>(first + i * size);
        const unsigned font = wide ? table.U16(where + 4) : table.U8(where + 2);
        Require((i != 0 || glyphAt(0) == 0) && glyphAt(i + 1) > glyphAt(i) && font < fonts);
    }
    Require(glyphAt(ranges) == glyphs);
}

// What follows the header and the top DICT: the CharStrings, and the Private DICT or, in a font keyed
// by CID (as every CFF2 is), each Font DICT's and the FDSelect.
void CheckTopDict(const FontTable& table, CffRange top, unsigned glyphs, bool cff2)
{
    const DictOffsets dict = ReadOffsets(table, top);
    Require(Within(table, dict.charStrings));
    Require(ReadCffIndex(table, static_cast<unsigned>(dict.charStrings), cff2).count == glyphs);
    if (!cff2 && !dict.cidKeyed) {
        CheckPrivate(table, dict, false);
        return;
    }
    Require(Within(table, dict.fdArray));
    const CffIndex fonts = ReadCffIndex(table, static_cast<unsigned>(dict.fdArray), cff2);
    Require(fonts.count != 0);
    for (unsigned font = 0; font < fonts.count; ++font)
        CheckPrivate(table, ReadOffsets(table, CffEntry(table, fonts, font)), cff2);
    // A CFF2 font of one Font DICT may leave its FDSelect out.
    if (cff2 && dict.fdSelect < 0 && fonts.count == 1)
        return;
    Require(Within(table, dict.fdSelect));
    CheckFdSelect(table, static_cast<unsigned>(dict.fdSelect), glyphs, fonts.count);
}

void CheckCff(const FontTable& cff, unsigned glyphs)
{
    const unsigned headerSize = cff.U8(2);
    Require(cff.U8(0) == 1 && headerSize >= 4 && cff.U8(3) >= 1 && cff.U8(3) <= 4);
    const CffIndex names = ReadCffIndex(cff, headerSize, false);
    const CffIndex tops = ReadCffIndex(cff, names.end, false);
    const CffIndex strings = ReadCffIndex(cff, tops.end, false);
    ReadCffIndex(cff, strings.end, false);  // the global Subrs
    Require(names.count != 0 && tops.count == names.count);
    CheckTopDict(cff, CffEntry(cff, tops, 0), glyphs, false);
}

void CheckCff2(const FontTable& cff2, unsigned glyphs)
{
    const unsigned headerSize = cff2.U8(2);
    const unsigned topEnd = headerSize + cff2.U16(3);
    Require(cff2.U8(0) == 2 && headerSize >= 5 && topEnd <= cff2.Size());
    ReadCffIndex(cff2, topEnd, true);  // the global Subrs
    CheckTopDict(cff2, {headerSize, topEnd}, glyphs, true);
}

}  // namespace

CffIndex ReadCffIndex(const FontTable& table, unsigned at, bool wideCount)
{
    const std::uint64_t count = wideCount ? table.U32(at) : table.U16(at);
    const unsigned countSize = wideCount ? 4 : 2;
    if (count == 0) {
        Require(at + countSize <= table.Size());
        return {0, 0, at + countSize, at + countSize};
    }
    const unsigned offSize = table.U8(at + countSize);
    const std::uint64_t offsets = std::uint64_t{at} + countSize + 1;
    Require(offSize >= 1 && offSize <= 4 && offsets + (count + 1) * offSize <= table.Size());
    CffIndex index{static_cast<unsigned>(count), offSize, static_cast<unsigned>(offsets), 0};
    Require(CffEntry(table, index, 0).begin == index.offsets + (count + 1) * offSize);
    for (unsigned entry = 0; entry < count; ++entry) {
        const CffRange range = CffEntry(table, index, entry);
        Require(range.end >= range.begin && range.end <= table.Size());
        index.end = range.end;
    }
    return index;
}

CffRange CffEntry(const FontTable& table, const CffIndex& index, unsigned entry)
{
    const auto offset = [&](unsigned i) {
        std::uint64_t value = 0;
        for (unsigned b = 0; b < index.offSize; ++b)
            value = value << 8 | table.U8(static_cast<unsigned>(index.offsets + std::uint64_t{i} * index.offSize + b));
        return value;
    };
    // Offsets count from 1, the byte before the data.
    const std::uint64_t data = index.offsets + (std::uint64_t{index.count} + 1) * index.offSize - 1;
    const auto at = [&](unsigned i) { return static_cast<unsigned>(std::min<std::uint64_t>(data + offset(i), 0xFFFFFFFFu)); };
    return {at(entry), at(entry + 1)};
}

void ReadCffDict(const FontTable& table, CffRange range, const CffOperator& each)
{
    Require(range.end >= range.begin && range.end <= table.Size());
    std::vector<long> operands;
    for (unsigned at = range.begin; at < range.end;) {
        const unsigned b = table.U8(at++);
        long value = 0;
        if (b <= 27) {
            Require(b != 12 || at != range.end);
            each(b == 12 ? 1200 + table.U8(at++) : b, operands);
            operands.clear();
            continue;
        }
        if (b == 28) {
            value = static_cast<std::int16_t>(table.U16(at));
            at += 2;
        } else if (b == 29) {
            value = static_cast<std::int32_t>(table.U32(at));
            at += 4;
        } else if (b == 30) {
            // A real: nibbles up to one of 0xF.
            while (at < range.end && (table.U8(at) & 0x0F) != 0x0F && (table.U8(at) & 0xF0) != 0xF0)
                ++at;
            ++at;
        } else if (b >= 32 && b <= 246) {
            value = static_cast<long>(b) - 139;
        } else if (b >= 247 && b <= 250) {
            value = (static_cast<long>(b) - 247) * 256 + table.U8(at++) + 108;
        } else if (b >= 251 && b <= 254) {
            value = -(static_cast<long>(b) - 251) * 256 - table.U8(at++) - 108;
        } else {
            ThrowDocument(DWRITE_E_FILEFORMAT);
        }
        Require(at <= range.end);
        if (operands.size() < kMostOperands)
            operands.push_back(value);
    }
}

void CheckCffTables(hb_face_t* face, unsigned glyphCount)
{
    const FontTable cff(face, HB_TAG('C', 'F', 'F', ' '));
    const FontTable cff2(face, HB_TAG('C', 'F', 'F', '2'));
    if (cff.Size() != 0)
        CheckCff(cff, glyphCount);
    if (cff2.Size() != 0)
        CheckCff2(cff2, glyphCount);
}
