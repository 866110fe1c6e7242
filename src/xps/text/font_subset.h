// A font cut down to the glyphs a document drew, keeping their ids, so that the content stream's 2-byte
// codes are the original glyph ids (Identity-H, CID = glyph id).
#pragma once

#include <string>
#include <string_view>

#include "xps/text/font.h"
#include "xps/text/glyph_use.h"
#include "xps/text/harfbuzz_owner.h"

// How PDF embeds the program. TrueType: a CIDFontType2 with /CIDToGIDMap /Identity, its descriptor's
// /FontFile2. Cff: an OpenType font of CFF outlines, for a CIDFontType0, its descriptor's /FontFile3
// with /Subtype /OpenType (PDF 1.6).
class FontSubset {
public:
    // Fails with DWRITE_E_FILEFORMAT where HarfBuzz cannot subset the font.
    FontSubset(const Font& font, const GlyphUse& use);
    FontSubset(const FontSubset&) = delete;
    FontSubset& operator=(const FontSubset&) = delete;

    // The font program, to be written as the stream's bytes.
    std::string_view Program() const;
    // Whether the program is a CID-keyed font's bare CFF, for /FontFile3 with /Subtype /CIDFontType0C,
    // rather than an OpenType font.
    bool CidKeyed() const { return m_cidKeyed; }
    FontOutlines Outlines() const { return m_outlines; }
    // "ABCDEF+PostScriptName", the tag derived from the glyphs kept and the program, for /BaseFont and
    // /FontName.
    const std::string& BaseFont() const { return m_baseFont; }

private:
    HbBlob m_program;
    bool m_cidKeyed = false;
    FontOutlines m_outlines;
    std::string m_baseFont;
};
