// The glyphs a document draws with one font, and the text each stands for: what its subset keeps and its
// ToUnicode map says.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "font.h"

// The most UTF-16 units kept for one glyph's text: ligatures and clusters are short, and this bounds
// the memory a hostile document can make a font's record take.
constexpr std::size_t kMaxGlyphText = 32;

class GlyphUse {
public:
    explicit GlyphUse(const Font& font) : m_font(font), m_glyphCount(font.GlyphCount()) {}

    // Records a glyph drawn, standing for the given text, and returns the code to write in the
    // content stream. A glyph the font does not have is recorded and drawn as .notdef (0), which never
    // stands for text. A cluster's text goes with its first glyph and its other glyphs are recorded with
    // none (one character drawn as several glyphs, or several as one, as in a ligature). The first text
    // a glyph gets is the one kept. Code points that are no Unicode scalar become U+FFFD.
    std::uint16_t Record(std::uint32_t glyph, std::u32string_view text = {});

    bool Empty() const { return m_glyphs.empty(); }
    // The code of each glyph drawn (its id, or its CID in a CID-keyed font), in order, with its text
    // in UTF-16 (empty when it stands for none).
    const std::map<std::uint16_t, std::u16string>& Glyphs() const { return m_glyphs; }
    // The glyph a code written stands for, and the glyph ids drawn, which the subset keeps.
    std::uint16_t GlyphOf(std::uint16_t code) const;
    const std::map<std::uint16_t, std::uint16_t>& GlyphsByCode() const { return m_glyphOf; }

private:
    const Font& m_font;
    unsigned m_glyphCount;
    std::map<std::uint16_t, std::u16string> m_glyphs;
    std::map<std::uint16_t, std::uint16_t> m_glyphOf;
};
