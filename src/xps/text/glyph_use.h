// The glyphs a document draws with one font, and the text each stands for: what its subset keeps and its
// ToUnicode maps say.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "xps/text/font.h"

// The most UTF-16 units kept for one glyph's text: ligatures and clusters are short, and this bounds
// the memory a hostile document can make a font's record take.
constexpr std::size_t kMaxGlyphText = 32;
// A glyph that stands for different text in different places (one glyph for "a" and "A" in small caps,
// a base letter that is once a cluster's first glyph and once not) is written through another variant
// of the font: a Type 0 font of the same program with a ToUnicode map of its own. These bound the
// variants and the texts they hold; past them a glyph reads as a text it was given before.
constexpr std::size_t kMaxTextVariants = 256;
constexpr std::size_t kMaxVariantTexts = 262144;

// What a content stream writes for a glyph drawn: its code, through which variant of the font.
struct GlyphCode {
    std::uint16_t code;
    unsigned variant;
};

class GlyphUse {
public:
    explicit GlyphUse(const Font& font) : m_font(font), m_glyphCount(font.GlyphCount()), m_variants(1) {}

    // Records a glyph drawn standing for text (none for a cluster's further glyphs, or where the run
    // gives none), and returns its code and the variant to write it through: the one given, the variant
    // the run is written in, where it can take the glyph's text. A glyph the font does not have is drawn
    // as .notdef (0) with its text. Code points that are no Unicode scalar become U+FFFD.
    GlyphCode Record(std::uint32_t glyph, std::u32string_view text = {}, unsigned variant = 0);

    bool Empty() const { return m_glyphOf.empty(); }
    std::size_t Variants() const { return m_variants.size(); }
    // The text each code stands for in that variant, in UTF-16 (empty for a glyph that stands for none,
    // as a cluster's further glyphs do).
    const std::map<std::uint16_t, std::u16string>& Texts(std::size_t variant) const { return m_variants[variant]; }
    // The glyph a code written stands for, and the glyph ids drawn, which the subset keeps.
    std::uint16_t GlyphOf(std::uint16_t code) const;
    const std::map<std::uint16_t, std::uint16_t>& GlyphsByCode() const { return m_glyphOf; }

private:
    unsigned Place(std::uint16_t code, std::u16string text, unsigned preferred);
    unsigned Assign(unsigned variant, std::uint16_t code, std::u16string text);

    const Font& m_font;
    unsigned m_glyphCount;
    std::vector<std::map<std::uint16_t, std::u16string>> m_variants;
    std::size_t m_texts = 0;
    std::map<std::uint16_t, std::uint16_t> m_glyphOf;
};
