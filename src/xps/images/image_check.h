// Images the readers would refuse for their size, or for a JPEG cut short, found as a package loads: each
// part is checked as it streams past, by the readers' own reading of headers and JPEG markers.
#pragma once

#include <cstddef>
#include <string>

#include "xps/images/jpeg_walk.h"

// One part's bytes, checked where they begin as a JPEG, PNG or TIFF. Bytes are kept only while the part
// may be an image, and only as many as its check needs: a PNG's header, the segment a JPEG's walk has
// reached, a whole TIFF, whose directory may lie anywhere in it.
class ImageCheck {
public:
    // The next bytes of the part. Throws DocumentFailure as soon as the part is known to be an image the
    // readers refuse for its size: WINCODEC_ERR_IMAGESIZEOUTOFRANGE beyond kMaxImagePixels, or
    // WINCODEC_ERR_BADIMAGE for a JPEG whose markers the reader's walk refuses. Other damage waits for
    // the image to be drawn.
    void Feed(const unsigned char* data, std::size_t size);
    // The bytes have ended: a TIFF is judged on what came, and a JPEG that stops before its end marker
    // fails with WINCODEC_ERR_BADIMAGE.
    void Finish();

private:
    enum class Stage { Sniffing, Jpeg, Png, Tiff, Done };

    void Sniff();
    // Judges what is held as far as it can, and lets go of a header once it is judged.
    void Check(bool ended);

    Stage m_stage = Stage::Sniffing;
    std::string m_held;
    JpegWalk m_jpeg;
};
