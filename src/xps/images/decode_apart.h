// A decoder that may crash or hang on damaged data (jxrlib does), run in a child process of its own,
// so that such data fails as a bad image instead of taking the translator down.
#pragma once

#include <string_view>

#include "xps/images/decoded_image.h"

// Runs decode on the bytes in a child process and hands back what it made, or throws what it threw.
// A child that crashes, or stays silent for too long, fails with WINCODEC_ERR_BADIMAGE; whatever it
// writes on standard output or error goes nowhere.
DecodedImage DecodeApart(std::string_view bytes, DecodedImage (*decode)(std::string_view));
