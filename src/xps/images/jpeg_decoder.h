// JPEG data a PDF cannot take as it is (arithmetic-coded), decoded by libjpeg into deflated samples.
#pragma once

#include <string_view>

#include "xps/images/decoded_image.h"

// Sets the size, the colours and the data; fails as a bad image where libjpeg cannot decode it.
DecodedImage DecodeJpeg(std::string_view bytes);
