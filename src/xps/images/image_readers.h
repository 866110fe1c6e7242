// One reader for each image format, behind ReadImage, which tells them apart.
#pragma once

#include <cstddef>
#include <string_view>

#include "xps/images/decoded_image.h"

enum class ImageFormat { None, Jpeg, Png, Tiff, BigTiff, JpegXr };

// Fewer bytes than this may not yet tell a format from none.
constexpr std::size_t kLongestImageSignature = 8;

// The format the bytes begin as.
ImageFormat FormatOf(std::string_view bytes);

DecodedImage ReadJpeg(std::string_view bytes);
DecodedImage ReadPng(std::string_view bytes);
DecodedImage ReadTiff(std::string_view bytes);
DecodedImage ReadJpegXr(std::string_view bytes);

// The signature and the IHDR chunk, all a PNG's header is.
constexpr std::size_t kPngHeaderSize = 33;

// Fail as the readers fail on the image's header, its size within kMaxImagePixels, without reading its
// pixels: a PNG's from its first kPngHeaderSize bytes, a TIFF's first directory from the bytes that hold it.
void CheckPngHeader(std::string_view bytes);
void CheckTiffHeader(std::string_view bytes);
