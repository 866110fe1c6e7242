// A page that begins with a photograph: the first thing it draws is a JPEG picture filling a polygon, as
// scanners and cameras make pages. cairo compresses every picture libgxps hands it afresh, which takes
// most of the time such a page prints in; drawn by the layer itself, the picture goes into the PDF as
// the JPEG it is, and libgxps draws the rest of the page over it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct XpsRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct XpsPoint {
    double x = 0;
    double y = 0;
};

struct PagePicture {
    std::string source;  // the ImageSource, as written
    std::vector<XpsPoint> outline;
    bool nonZero = false;  // the outline's fill rule: F1 in the path data
    XpsRect viewbox;       // in XPS units of the picture at its own resolution
    XpsRect viewport;
};

// The page's markup split into the picture and the rest of the page, for a page whose first element is
// a Path with a polygon for its data and nothing but an untransformed, opaque, untiled ImageBrush to fill
// it. Any other page, whatever else it draws first, is left to libgxps whole.
struct SplitPage {
    PagePicture picture;
    std::string rest;
};
std::optional<SplitPage> SplitPagePicture(const std::string& markup);

// What of a JPEG decides how it is drawn, for the JPEGs every PDF reader decodes as libjpeg does:
// Huffman-coded, baseline or progressive, 8 bits, grey or colour.
struct JpegInfo {
    int width = 0;
    int height = 0;
    double resolutionX = 96;  // dots per inch, as libgxps reads the JFIF header
    double resolutionY = 96;
};
// From the picture's first bytes; none if the frame header is not among them or the JPEG is another kind.
std::optional<JpegInfo> ReadJpegInfo(const unsigned char* data, std::size_t size);

struct ZipEntry;

// A page's first picture, where the layer draws it: the part holding the JPEG, and its place.
struct PlacedPicture {
    PagePicture placement;
    const ZipEntry* part = nullptr;
    JpegInfo jpeg;
    // The package file the part lies in, which may be a plain copy of the one printed.
    int package = -1;
};
