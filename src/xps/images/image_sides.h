// Images longer than PDF readers take: a strip of 1 by 40 million pixels is within the pixel bound, but
// readers refuse an image with a side beyond kPdfLargestImageSide.
#pragma once

#include "xps/images/decoded_image.h"

// Keeps every n-th row or column of an image whose side is too long, as few as bring it within
// readers' bounds, and lowers its resolution to match, so that it covers the same area. More rows than
// that are more than any printer could show. The image's data must be deflated samples, as the
// decoders leave every image that long.
void FitImageSides(DecodedImage& image);
