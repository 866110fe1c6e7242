#include "xps/images/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "xps/images/image_failure.h"
#include "xps/images/pixel_sink.h"

namespace {

// libjpeg keeps a progressive image's coefficients whole; beyond this it gives up rather than grow.
constexpr long kMaxDecoderMemory = 32L << 20;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr decoder) { std::longjmp(reinterpret_cast<JpegErrors*>(decoder->err)->escape, 1); }

void Silence(j_common_ptr) {}

// Owner of a libjpeg decoder reading from memory.
class JpegDecoder {
public:
    JpegDecoder()
    {
        m_decoder.err = jpeg_std_error(&m_errors.manager);
        m_errors.manager.error_exit = Escape;
        m_errors.manager.output_message = Silence;
    }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    // Safe before jpeg_create_decompress too: it frees only what the decoder allocated.
    ~JpegDecoder() { jpeg_destroy_decompress(&m_decoder); }

    jpeg_decompress_struct* operator->() { return &m_decoder; }
    jpeg_decompress_struct* get() { return &m_decoder; }
    std::jmp_buf& escape() { return m_errors.escape; }

private:
    jpeg_decompress_struct m_decoder{};
    JpegErrors m_errors{};
};

// Runs libjpeg calls; an error inside jumps back here and is thrown from here. Only C frames lie
// between, so the jump skips no destructor.
template <typename Calls>
void Guarded(JpegDecoder& decoder, Calls calls)
{
    if (setjmp(decoder.escape()) != 0)
        ThrowBadImage();
    calls();
}

}  // namespace

DecodedImage DecodeJpeg(std::string_view bytes)
{
    JpegDecoder decoder;
    Guarded(decoder, [&] {
        jpeg_create_decompress(decoder.get());
        decoder->mem->max_memory_to_use = kMaxDecoderMemory;
        jpeg_mem_src(decoder.get(), reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(decoder.get(), TRUE);
        jpeg_start_decompress(decoder.get());
    });
    const int channels = decoder->output_components;
    CheckImage(channels == 1 || channels == 3 || channels == 4);
    DecodedImage image;
    image.width = decoder->output_width;
    image.height = decoder->output_height;
    CheckImageSize(image.width, image.height);
    image.colours = channels == 1 ? PdfColours::Gray : channels == 3 ? PdfColours::Rgb : PdfColours::Cmyk;
    PixelSink sink(image.width, channels, false);
    std::vector<JSAMPLE> row(std::size_t{image.width} * static_cast<std::size_t>(channels));
    JSAMPROW rows[] = {row.data()};
    while (decoder->output_scanline < decoder->output_height) {
        JDIMENSION read = 0;
        Guarded(decoder, [&] { read = jpeg_read_scanlines(decoder.get(), rows, 1); });
        CheckImage(read == 1);
        sink.WriteRow(row.data());
    }
    Guarded(decoder, [&] { jpeg_finish_decompress(decoder.get()); });
    sink.Finish(image);
    return image;
}
