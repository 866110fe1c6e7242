// The ToUnicode CMap of a Type 0 font with 2-byte glyph id codes, which lets a reader copy and search
// the text drawn.
#pragma once

#include <string>

#include "xps/text/glyph_use.h"

// The stream of one variant of the font: each code mapped to its text in UTF-16BE (surrogate pairs
// beyond the BMP), as bfrange where neighbouring codes stand for neighbouring characters, as bfchar
// otherwise, at most 100 entries a block. A code that stands for no text maps to "<>", so that a reader
// takes it for none rather than guessing from the font.
std::string ToUnicodeCMap(const GlyphUse& use, std::size_t variant = 0);
