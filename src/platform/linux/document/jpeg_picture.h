// A page's first picture drawn by the layer: decoded, for whatever cairo draws from its pixels, and
// carrying the JPEG itself, which cairo writes into the PDF in their stead.
#pragma once

#include <cairo.h>

#include <string>

#include "page_picture.h"

// Owner of the decoded picture's surface.
class JpegPicture {
public:
    // Decodes the picture's JPEG; one that does not decode is empty and draws nothing, as libgxps draws
    // nothing for it.
    JpegPicture(std::string jpeg, const PlacedPicture& picture);
    JpegPicture(const JpegPicture&) = delete;
    JpegPicture& operator=(const JpegPicture&) = delete;
    ~JpegPicture();

    // Fills the picture's outline with it as libgxps would; cairo keeps the surface until the page is
    // written out, so the picture must live that long too.
    void Draw(cairo_t* context) const;

private:
    const PlacedPicture& m_picture;
    cairo_surface_t* m_surface = nullptr;
};
