// One reader for each image format, behind ReadImage, which tells them apart.
#pragma once

#include <string_view>

#include "xps/images/decoded_image.h"

DecodedImage ReadJpeg(std::string_view bytes);
DecodedImage ReadPng(std::string_view bytes);
DecodedImage ReadTiff(std::string_view bytes);
DecodedImage ReadJpegXr(std::string_view bytes);
