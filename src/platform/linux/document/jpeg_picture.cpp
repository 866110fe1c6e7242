#include "jpeg_picture.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>

// jpeglib.h declares INT32 its own way: the platform's headers stay out of this file.
#include <jpeglib.h>

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

void EscapeOnError(j_common_ptr decoder) { std::longjmp(reinterpret_cast<JpegError*>(decoder->err)->escape, 1); }

void Quiet(j_common_ptr) {}

// Decodes into the surface's pixels as libgxps does (no fancy upsampling, grey spread to all three
// channels), at 16 bits a pixel. Nothing here may need destroying when the decoder escapes from an error.
bool DecodeInto(const std::string& jpeg, cairo_surface_t* surface)
{
    jpeg_decompress_struct decoder{};
    JpegError error;
    decoder.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = EscapeOnError;
    error.manager.output_message = Quiet;
    if (setjmp(error.escape) != 0) {
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&decoder, TRUE);
    decoder.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&decoder);
    const bool fits = static_cast<int>(decoder.output_width) == cairo_image_surface_get_width(surface) &&
                      static_cast<int>(decoder.output_height) == cairo_image_surface_get_height(surface) &&
                      (decoder.out_color_space == JCS_RGB || decoder.out_color_space == JCS_GRAYSCALE);
    if (!fits) {
        jpeg_destroy_decompress(&decoder);
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* row = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    JSAMPARRAY line = decoder.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&decoder), JPOOL_IMAGE,
                                                decoder.output_width * decoder.out_color_components, 1);
    const bool grey = decoder.out_color_space == JCS_GRAYSCALE;
    while (decoder.output_scanline < decoder.output_height) {
        if (jpeg_read_scanlines(&decoder, line, 1) != 1)
            break;
        const JSAMPLE* in = line[0];
        auto* out = reinterpret_cast<std::uint16_t*>(row);
        for (JDIMENSION x = 0; x < decoder.output_width; ++x, in += grey ? 1 : 3) {
            const unsigned red = in[0];
            const unsigned green = grey ? in[0] : in[1];
            const unsigned blue = grey ? in[0] : in[2];
            out[x] = static_cast<std::uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | blue >> 3);
        }
        row += stride;
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    cairo_surface_mark_dirty(surface);
    return true;
}

void FreeBytes(void* bytes) { delete static_cast<std::string*>(bytes); }

}  // namespace

JpegPicture::JpegPicture(std::string jpeg, const PlacedPicture& picture) : m_picture(picture)
{
    // cairo writes the JPEG, and draws from the pixels only where it must rasterise part of a page,
    // which nothing libgxps draws calls for: 16 bits a pixel are enough there, and the copy of them
    // cairo makes as the picture goes takes half the memory.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB16_565, picture.jpeg.width, picture.jpeg.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS || !DecodeInto(jpeg, surface)) {
        cairo_surface_destroy(surface);
        return;
    }
    // The surface owns the bytes from here, or they go now if it cannot take them.
    auto* bytes = new std::string(std::move(jpeg));
    if (cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, reinterpret_cast<const unsigned char*>(bytes->data()),
                                    bytes->size(), FreeBytes, bytes) !=
        CAIRO_STATUS_SUCCESS)
        delete bytes;
    m_surface = surface;
}

JpegPicture::~JpegPicture() { cairo_surface_destroy(m_surface); }

void JpegPicture::Draw(cairo_t* context) const
{
    if (m_surface == nullptr)
        return;
    const PagePicture& placement = m_picture.placement;
    const double scaleX = m_picture.jpeg.resolutionX / 96;
    const double scaleY = m_picture.jpeg.resolutionY / 96;
    const XpsRect& box = placement.viewbox;
    const XpsRect& port = placement.viewport;
    cairo_save(context);
    cairo_new_path(context);
    for (const XpsPoint& point : placement.outline)
        cairo_line_to(context, point.x, point.y);
    cairo_close_path(context);
    cairo_set_fill_rule(context, placement.nonZero ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(context);
    // The viewbox, in the picture's pixels, onto the viewport; nothing of the picture beyond the viewbox.
    cairo_translate(context, port.x, port.y);
    cairo_scale(context, port.width / (box.width * scaleX), port.height / (box.height * scaleY));
    cairo_translate(context, -box.x * scaleX, -box.y * scaleY);
    cairo_rectangle(context, box.x * scaleX, box.y * scaleY, box.width * scaleX, box.height * scaleY);
    cairo_clip(context);
    cairo_set_source_surface(context, m_surface, 0, 0);
    cairo_paint(context);
    cairo_restore(context);
}
