#include "glyph_use.h"

std::uint16_t GlyphUse::Record(std::uint32_t glyph, std::u32string_view text)
{
    const auto drawn = static_cast<std::uint16_t>(glyph < m_glyphCount ? glyph : 0);
    const std::uint16_t code = m_font.Code(drawn);
    m_glyphOf.emplace(code, drawn);
    std::u16string& kept = m_glyphs[code];
    if (drawn == 0 || !kept.empty())
        return code;
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        const std::size_t units = c > 0xFFFF ? 2 : 1;
        if (kept.size() + units > kMaxGlyphText)
            break;
        if (units == 2) {
            kept.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            kept.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            kept.push_back(static_cast<char16_t>(c));
        }
    }
    return code;
}

std::uint16_t GlyphUse::GlyphOf(std::uint16_t code) const
{
    const auto found = m_glyphOf.find(code);
    return found == m_glyphOf.end() ? 0 : found->second;
}
