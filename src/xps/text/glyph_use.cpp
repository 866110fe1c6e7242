#include "xps/text/glyph_use.h"

#include <optional>

namespace {

std::u16string Utf16(std::u32string_view text)
{
    std::u16string kept;
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
    return kept;
}

}  // namespace

GlyphCode GlyphUse::Record(std::uint32_t glyph, std::u32string_view text, unsigned variant)
{
    const auto drawn = static_cast<std::uint16_t>(glyph < m_glyphCount ? glyph : 0);
    const std::uint16_t code = m_font.Code(drawn);
    m_glyphOf.emplace(code, drawn);
    if (variant >= m_variants.size())
        variant = 0;
    return {code, Place(code, Utf16(text), variant)};
}

unsigned GlyphUse::Place(std::uint16_t code, std::u16string text, unsigned preferred)
{
    // The first variant takes each code once whatever the bound, as it is bounded by the codes.
    const bool room = m_texts < kMaxVariantTexts;
    const auto found = m_variants[preferred].find(code);
    if (found != m_variants[preferred].end() && found->second == text)
        return preferred;
    if (found == m_variants[preferred].end() && (room || preferred == 0))
        return Assign(preferred, code, std::move(text));
    std::optional<unsigned> free;
    std::optional<unsigned> held;
    for (unsigned variant = 0; variant < m_variants.size(); ++variant) {
        const auto other = m_variants[variant].find(code);
        if (other == m_variants[variant].end())
            free = free ? free : variant;
        else if (other->second == text)
            return variant;
        else
            held = held ? held : variant;
    }
    if (room && free)
        return Assign(*free, code, std::move(text));
    if (room && m_variants.size() < kMaxTextVariants) {
        m_variants.emplace_back();
        return Assign(static_cast<unsigned>(m_variants.size() - 1), code, std::move(text));
    }
    // Past the bounds the glyph reads as a text it was given before.
    return held ? *held : Assign(0, code, std::move(text));
}

unsigned GlyphUse::Assign(unsigned variant, std::uint16_t code, std::u16string text)
{
    m_variants[variant].emplace(code, std::move(text));
    ++m_texts;
    return variant;
}

std::uint16_t GlyphUse::GlyphOf(std::uint16_t code) const
{
    const auto found = m_glyphOf.find(code);
    return found == m_glyphOf.end() ? 0 : found->second;
}
