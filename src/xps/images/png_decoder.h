// PNGs a PDF cannot take as they are (interlaced, with alpha or transparency, or 16-bit beside alpha),
// decoded by libpng into 8-bit grey or RGB with their alpha apart.
#pragma once

#include <string_view>

#include "xps/images/decoded_image.h"

// Sets the size, the colours, the data and the alpha; fails as a bad image where libpng cannot decode it.
DecodedImage DecodePng(std::string_view bytes);
