// The level the PDF's streams of content are deflated at.
#pragma once

#include "xps/deflate/deflate.h"

// Content streams, the most of what is deflated, are text of a few operators repeated. At this level
// libdeflate makes them as small as zlib's first lazy level does, in half its time.
constexpr int kContentDeflateLevel = 2;
