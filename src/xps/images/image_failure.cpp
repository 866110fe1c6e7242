#include "xps/images/image_failure.h"

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

void ThrowBadImage() { ThrowDocument(WINCODEC_ERR_BADIMAGE); }

void ThrowBadHeader() { ThrowDocument(WINCODEC_ERR_BADHEADER); }

void ThrowImageTooLarge() { ThrowDocument(WINCODEC_ERR_IMAGESIZEOUTOFRANGE); }

void CheckImageSize(std::uint64_t width, std::uint64_t height)
{
    CheckImage(width > 0 && height > 0);
    if (width > kMaxImagePixels || height > kMaxImagePixels || width * height > kMaxImagePixels)
        ThrowImageTooLarge();
}

void ThrowOutOfMemory() { ThrowDocument(E_OUTOFMEMORY); }
