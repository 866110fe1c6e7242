// How the decoders fail. Their libraries' headers clash with the platform's, so the statuses are thrown
// from a file of their own.
#pragma once

#include <cstdint>

// Images larger are refused: whatever draws one decodes it whole into memory at four bytes a pixel,
// however few bytes it was packed into. An A4 page scanned at 600 dpi is 35 million pixels.
constexpr std::uint64_t kMaxImagePixels = 48u << 20;

[[noreturn]] void ThrowBadImage();
[[noreturn]] void ThrowBadHeader();
[[noreturn]] void ThrowImageTooLarge();

// Fails unless the size is positive and within kMaxImagePixels.
void CheckImageSize(std::uint64_t width, std::uint64_t height);

// Fails as a bad image where a library call reported failure.
inline void CheckImage(bool succeeded)
{
    if (!succeeded)
        ThrowBadImage();
}

[[noreturn]] void ThrowOutOfMemory();
