#include "xps/images/decoded_image.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_readers.h"
#include "xps/images/image_sides.h"

namespace {

bool Starts(std::string_view bytes, std::string_view signature) { return bytes.substr(0, signature.size()) == signature; }

DecodedImage ReadAnyImage(std::string_view bytes)
{
    switch (FormatOf(bytes)) {
    case ImageFormat::Jpeg:
        return ReadJpeg(bytes);
    case ImageFormat::Png:
        return ReadPng(bytes);
    case ImageFormat::Tiff:
        return ReadTiff(bytes);
    case ImageFormat::BigTiff:
        ThrowBadHeader();
    case ImageFormat::JpegXr:
        return ReadJpegXr(bytes);
    case ImageFormat::None:
        break;
    }
    ThrowBadImage();
}

}  // namespace

ImageFormat FormatOf(std::string_view bytes)
{
    using namespace std::string_view_literals;
    if (Starts(bytes, "\xFF\xD8\xFF"sv))
        return ImageFormat::Jpeg;
    if (Starts(bytes, "\x89PNG\r\n\x1A\n"sv))
        return ImageFormat::Png;
    if (Starts(bytes, "II*\0"sv) || Starts(bytes, "MM\0*"sv))
        return ImageFormat::Tiff;
    if (Starts(bytes, "II+\0"sv) || Starts(bytes, "MM\0+"sv))
        return ImageFormat::BigTiff;
    // HD Photo, later JPEG XR: a TIFF-like header of its own.
    if (Starts(bytes, "II\xBC"sv))
        return ImageFormat::JpegXr;
    return ImageFormat::None;
}

DecodedImage ReadImage(std::string_view bytes)
{
    DecodedImage image = ReadAnyImage(bytes);
    FitImageSides(image);
    return image;
}
