// One reader for each image format, behind ReadImage, which tells them apart.
#pragma once

#include <string_view>

#include "pdf_image.h"

PdfImage ReadJpeg(std::string_view bytes);
PdfImage ReadPng(std::string_view bytes);
PdfImage ReadTiff(std::string_view bytes);
PdfImage ReadJpegXr(std::string_view bytes);
