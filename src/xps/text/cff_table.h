// The CFF and CFF2 tables of OpenType fonts: their INDEXes and DICTs, and whether a table holds together
// as a renderer that follows its offsets needs it to. One that does not fails with DWRITE_E_FILEFORMAT.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "xps/text/font_table.h"

// A range of a table's bytes, [begin, end).
struct CffRange {
    unsigned begin = 0;
    unsigned end = 0;
};

// An INDEX: count entries, each a range of the table's bytes after its offsets.
struct CffIndex {
    unsigned count = 0;
    unsigned offSize = 0;
    unsigned offsets = 0;  // where the offsets start
    unsigned end = 0;      // just past the INDEX
};

// Reads the INDEX at `at`, whose count is 16 bits (CFF) or 32 (CFF2). Fails for one whose offset size is
// not 1 to 4, whose offsets do not start at 1 and go forwards, or that runs past the table.
CffIndex ReadCffIndex(const FontTable& table, unsigned at, bool wideCount);
CffRange CffEntry(const FontTable& table, const CffIndex& index, unsigned entry);

// Calls each with every operator of the DICT in range (two-byte operators as 1200 plus their second
// byte) and the integer operands before it (a real counts as 0). Fails where an operand runs past the
// range or the range past the table.
using CffOperator = std::function<void(unsigned op, const std::vector<long>& operands)>;
void ReadCffDict(const FontTable& table, CffRange range, const CffOperator& each);

// Checks that the face's CFF and CFF2 tables, where it has them, hold together: header, INDEXes, the top
// DICT's CharStrings with one glyph for each of the font's, Private DICTs and their Subrs, and the
// FDArray and FDSelect of a CID-keyed font.
void CheckCffTables(hb_face_t* face, unsigned glyphCount);
