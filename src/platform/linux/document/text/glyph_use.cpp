#include "glyph_use.h"

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
    const bool room = m_texts < kMaxVariantTexts;
    auto& here = m_variants[preferred];
    if (const auto found = here.find(code); found != here.end()) {
        if (found->second == text)
            return preferred;
    } else if (room || preferred == 0) {
        // The first variant takes each code once, so it is bounded by the codes.
        here.emplace(code, std::move(text));
        ++m_texts;
        return preferred;
    }
    std::optional<unsigned> free;
    for (unsigned variant = 0; variant < m_variants.size(); ++variant) {
        const auto found = m_variants[variant].find(code);
        if (found == m_variants[variant].end())
            free = free ? free : std::optional<unsigned>(variant);
        else if (found->second == text)
            return variant;
    }
    if (!room || (!free && m_variants.size() == kMaxTextVariants))
        return preferred;
    if (!free) {
        free = static_cast<unsigned>(m_variants.size());
        m_variants.emplace_back();
    }
    m_variants[*free].emplace(code, std::move(text));
    ++m_texts;
    return *free;
}

std::uint16_t GlyphUse::GlyphOf(std::uint16_t code) const
{
    const auto found = m_glyphOf.find(code);
    return found == m_glyphOf.end() ? 0 : found->second;
}
