// A font part, loaded once and kept for the whole document: its metrics for laying out Glyphs and for
// the PDF font descriptor, its cmap, and the face the subsetter reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xps/text/harfbuzz_owner.h"

enum class FontOutlines { TrueType, Cff };

// In font units, y up.
struct FontBox {
    std::int32_t xMin, yMin, xMax, yMax;
};

// The largest font part the package lets through.
constexpr std::size_t kMaxFontBytes = 64u << 20;

// A FontUri split into the part it names and the face its "#N" fragment picks (0 when it has none).
// A fragment that is not a decimal face number fails with DWRITE_E_FILEFORMAT.
struct FontReference {
    std::string_view part;
    unsigned face;
};
FontReference SplitFontUri(std::string_view fontUri);

class Font {
public:
    // Takes the part's bytes, the one copy kept, and restores them first when the part is obfuscated.
    // A part that is not a TrueType or CFF-flavoured OpenType font, or a face index past a collection's
    // faces, fails with DWRITE_E_FILEFORMAT.
    Font(std::vector<std::uint8_t> bytes, std::string_view partName, std::string_view contentType, unsigned face);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    unsigned UnitsPerEm() const { return m_unitsPerEm; }
    unsigned GlyphCount() const { return m_glyphCount; }
    bool HasGlyph(std::uint32_t glyph) const { return glyph < m_glyphCount; }
    // Advances in font units; 0 for a glyph the font does not have. The vertical one is for IsSideways
    // glyphs: the font's vmtx, or an em where it has none.
    std::int32_t Advance(std::uint32_t glyph) const;
    std::int32_t VerticalAdvance(std::uint32_t glyph) const;
    // The cmap's glyph for a code point, 0 when it has none. Symbol fonts also answer U+0000..U+00FF
    // from their U+F000..U+F0FF, as Windows does.
    std::uint32_t Glyph(char32_t codePoint) const;

    std::int32_t Ascent() const { return m_ascent; }
    std::int32_t Descent() const { return m_descent; }  // below the baseline, so negative
    std::int32_t CapHeight() const { return m_capHeight; }
    FontBox Box() const { return m_box; }
    double ItalicAngle() const { return m_italicAngle; }  // degrees, counter-clockwise from vertical
    unsigned Weight() const { return m_weight; }           // 1..1000, 400 regular
    bool FixedPitch() const { return m_fixedPitch; }
    bool Serif() const { return m_serif; }
    bool Symbolic() const { return m_symbolic; }
    bool Italic() const { return m_italic; }
    // Printable ASCII without PDF's delimiters, at most 63 characters, never empty.
    const std::string& PostScriptName() const { return m_postScriptName; }
    FontOutlines Outlines() const { return m_outlines; }
    bool CidKeyed() const { return !m_cids.empty(); }
    // What a content stream writes for the glyph: its CID in a CID-keyed CFF font, else its id.
    std::uint16_t Code(std::uint32_t glyph) const
    {
        return glyph < m_cids.size() ? m_cids[glyph] : static_cast<std::uint16_t>(glyph);
    }

    hb_face_t* Face() const { return m_face.get(); }

private:
    void ReadTables();

    std::vector<std::uint8_t> m_bytes;  // first, so that it outlives the HarfBuzz objects over it
    HbBlob m_blob;
    HbFace m_face;
    HbFont m_font;

    unsigned m_unitsPerEm = 0;
    unsigned m_glyphCount = 0;
    FontOutlines m_outlines = FontOutlines::TrueType;
    std::int32_t m_ascent = 0;
    std::int32_t m_descent = 0;
    std::int32_t m_capHeight = 0;
    FontBox m_box{};
    double m_italicAngle = 0;
    unsigned m_weight = 400;
    bool m_fixedPitch = false;
    bool m_serif = false;
    bool m_symbolic = false;
    bool m_italic = false;
    std::string m_postScriptName;
    bool m_hasVerticalMetrics = false;
    // Each glyph's CID, in a CID-keyed CFF font.
    std::vector<std::uint16_t> m_cids;
};
