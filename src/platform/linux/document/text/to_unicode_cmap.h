// The ToUnicode CMap of a Type 0 font with 2-byte glyph id codes, which lets a reader copy and search
// the text drawn.
#pragma once

#include <string>

#include "glyph_use.h"

// The stream's text: each glyph that stands for text mapped to it in UTF-16BE (surrogate pairs beyond
// the BMP), as bfrange where neighbouring glyphs stand for neighbouring characters, as bfchar otherwise,
// at most 100 entries a block.
std::string ToUnicodeCMap(const GlyphUse& use);
