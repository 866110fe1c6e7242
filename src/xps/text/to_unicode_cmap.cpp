#include "xps/text/to_unicode_cmap.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kEntriesPerBlock = 100;

void AppendHex(std::string& text, std::uint16_t value)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += kDigits[(value >> shift) & 0xF];
}

void AppendCount(std::string& text, std::size_t count)
{
    // Never more than kEntriesPerBlock, so three digits.
    if (count >= 100)
        text += static_cast<char>('0' + count / 100);
    if (count >= 10)
        text += static_cast<char>('0' + count / 10 % 10);
    text += static_cast<char>('0' + count % 10);
}

struct Entry {
    std::uint16_t first;
    std::uint16_t last;
    const std::u16string* text;
};

// Whether a glyph extends a range: the next glyph id, standing for the next single character, with
// neither crossing a boundary of its last byte, as a range may only vary that byte.
bool Extends(const Entry& range, std::uint16_t glyph, const std::u16string& text)
{
    const std::u16string& first = *range.text;
    const unsigned step = range.last - range.first + 1u;
    return first.size() == 1 && text.size() == 1 && glyph == range.last + 1u && (glyph >> 8) == (range.first >> 8) &&
           text[0] == first[0] + step && (text[0] >> 8) == (first[0] >> 8);
}

void AppendBlocks(std::string& cmap, const std::vector<Entry>& entries, const char* name, bool ranges)
{
    for (std::size_t start = 0; start < entries.size(); start += kEntriesPerBlock) {
        const std::size_t end = std::min(entries.size(), start + kEntriesPerBlock);
        AppendCount(cmap, end - start);
        cmap += " begin";
        cmap += name;
        cmap += '\n';
        for (std::size_t i = start; i < end; ++i) {
            cmap += '<';
            AppendHex(cmap, entries[i].first);
            if (ranges) {
                cmap += "> <";
                AppendHex(cmap, entries[i].last);
            }
            cmap += "> <";
            for (char16_t unit : *entries[i].text)
                AppendHex(cmap, unit);
            cmap += ">\n";
        }
        cmap += "end";
        cmap += name;
        cmap += '\n';
    }
}

}  // namespace

std::string ToUnicodeCMap(const GlyphUse& use, std::size_t variant)
{
    std::vector<Entry> runs;
    for (const auto& [glyph, text] : use.Texts(variant)) {
        if (!runs.empty() && Extends(runs.back(), glyph, text))
            ++runs.back().last;
        else
            runs.push_back({glyph, glyph, &text});
    }
    std::vector<Entry> singles;
    std::vector<Entry> ranges;
    for (const Entry& run : runs)
        (run.last > run.first ? ranges : singles).push_back(run);

    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n"
        "12 dict begin\n"
        "begincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n"
        "/CMapType 2 def\n"
        "1 begincodespacerange\n"
        "<0000> <FFFF>\n"
        "endcodespacerange\n";
    AppendBlocks(cmap, singles, "bfchar", false);
    AppendBlocks(cmap, ranges, "bfrange", true);
    cmap +=
        "endcmap\n"
        "CMapName currentdict /CMap defineresource pop\n"
        "end\n"
        "end\n";
    return cmap;
}
