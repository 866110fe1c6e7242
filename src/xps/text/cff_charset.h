// The CIDs of a CID-keyed CFF font. Such a font's glyphs are found by CID, through its charset, not by
// glyph id: a PDF content stream that draws it writes each glyph's CID.
#pragma once

#include <cstdint>
#include <vector>

#include <hb.h>

// For each glyph id, its CID; empty for a font that is not CID-keyed, or whose charset cannot be read.
// A CFF whose INDEXes or top DICT do not hold together fails as CheckCffTables does.
std::vector<std::uint16_t> ReadCids(hb_face_t* face, unsigned glyphCount);
