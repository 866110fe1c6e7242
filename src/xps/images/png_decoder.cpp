#include "xps/images/png_decoder.h"

#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <png.h>

#include "xps/images/flate_stream.h"
#include "xps/images/image_failure.h"
#include "xps/images/inflate_stream.h"
#include "xps/images/pixel_sink.h"

namespace {

constexpr int kPasses = 7;
// Sizes are checked against the pixel bound before libpng sees them.
constexpr png_uint_32 kNoLimit = 0x7fffffff;

struct PngSource {
    std::string_view bytes;
    std::size_t at = 0;
};

void ReadSource(png_structp png, png_bytep out, std::size_t size)
{
    auto& source = *static_cast<PngSource*>(png_get_io_ptr(png));
    if (source.bytes.size() - source.at < size)
        png_error(png, "cut short");
    std::memcpy(out, source.bytes.data() + source.at, size);
    source.at += size;
}

[[noreturn]] void Escape(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void Silence(png_structp, png_const_charp) {}

// Owner of a libpng reader and its info.
class PngDecoder {
public:
    // Either may be null where memory ran out.
    PngDecoder()
        : m_png(png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Escape, Silence)),
          m_info(m_png ? png_create_info_struct(m_png) : nullptr)
    {
    }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;
    ~PngDecoder() { png_destroy_read_struct(&m_png, &m_info, nullptr); }

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    png_structp m_png;
    png_infop m_info;
};

// Runs libpng calls; an error inside jumps back here and is thrown from here. Only C frames lie
// between, so the jump skips no destructor.
template <typename Calls>
void Guarded(const PngDecoder& decoder, Calls calls)
{
    if (setjmp(png_jmpbuf(decoder.png())) != 0)
        ThrowBadImage();
    calls();
}

bool HasPass(std::uint32_t width, std::uint32_t height, int pass)
{
    return PNG_PASS_COLS(width, pass) > 0 && PNG_PASS_ROWS(height, pass) > 0;
}

// Adam7 without holding the image: each pass is decoded and deflated on its own, then the passes are
// read back side by side, each row taking its pixels from those passes that hold some of it.
void DecodeInterlaced(const PngDecoder& decoder, std::uint32_t width, std::uint32_t height, std::size_t channels,
                      PixelSink& sink)
{
    std::vector<unsigned char> row(png_get_rowbytes(decoder.png(), decoder.info()));
    std::array<std::string, kPasses> passes;
    for (int pass = 0; pass < kPasses; ++pass) {
        if (!HasPass(width, height, pass))
            continue;
        FlateStream packed;
        for (std::uint32_t y = 0; y < PNG_PASS_ROWS(height, pass); ++y) {
            Guarded(decoder, [&] { png_read_row(decoder.png(), row.data(), nullptr); });
            packed.Write(row.data(), PNG_PASS_COLS(width, pass) * channels);
        }
        passes[static_cast<std::size_t>(pass)] = packed.Finish();
    }
    std::array<std::optional<InflateStream>, kPasses> readers;
    for (int pass = 0; pass < kPasses; ++pass)
        readers[static_cast<std::size_t>(pass)].emplace(passes[static_cast<std::size_t>(pass)]);
    std::vector<unsigned char> pixels(std::size_t{width} * channels);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (int pass = 0; pass < kPasses; ++pass) {
            if (!HasPass(width, height, pass) || !PNG_ROW_IN_INTERLACE_PASS(y, pass))
                continue;
            const std::uint32_t columns = PNG_PASS_COLS(width, pass);
            readers[static_cast<std::size_t>(pass)]->Read(row.data(), columns * channels);
            for (std::uint32_t i = 0; i < columns; ++i)
                std::memcpy(&pixels[PNG_COL_FROM_PASS_COL(i, pass) * channels], &row[i * channels], channels);
        }
        sink.WriteRow(pixels.data());
    }
}

}  // namespace

DecodedImage DecodePng(std::string_view bytes)
{
    PngSource source{bytes};
    PngDecoder decoder;
    if (!decoder.info())
        ThrowOutOfMemory();
    Guarded(decoder, [&] {
        png_set_read_fn(decoder.png(), &source, ReadSource);
        png_set_user_limits(decoder.png(), kNoLimit, kNoLimit);
        // Writers declare smaller windows than their data reaches back into; zlib, and so every other
        // reader, takes the data as it is.
        png_set_option(decoder.png(), PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
        png_read_info(decoder.png(), decoder.info());
        // Palettes, low bit depths and tRNS all become 8-bit samples, tRNS as alpha. gAMA is left
        // alone, as a PDF reader would leave it.
        png_set_expand(decoder.png());
        png_set_scale_16(decoder.png());
        png_read_update_info(decoder.png(), decoder.info());
    });
    DecodedImage image;
    image.width = png_get_image_width(decoder.png(), decoder.info());
    image.height = png_get_image_height(decoder.png(), decoder.info());
    CheckImageSize(image.width, image.height);
    const int channels = png_get_channels(decoder.png(), decoder.info());
    CheckImage(channels >= 1 && channels <= 4 && png_get_bit_depth(decoder.png(), decoder.info()) == 8);
    const bool alpha = channels == 2 || channels == 4;
    image.colours = channels <= 2 ? PdfColours::Gray : PdfColours::Rgb;
    PixelSink sink(image.width, alpha ? channels - 1 : channels, alpha);
    if (png_get_interlace_type(decoder.png(), decoder.info()) == PNG_INTERLACE_ADAM7) {
        DecodeInterlaced(decoder, image.width, image.height, static_cast<std::size_t>(channels), sink);
    } else {
        std::vector<unsigned char> row(png_get_rowbytes(decoder.png(), decoder.info()));
        for (std::uint32_t y = 0; y < image.height; ++y) {
            Guarded(decoder, [&] { png_read_row(decoder.png(), row.data(), nullptr); });
            sink.WriteRow(row.data());
        }
    }
    sink.Finish(image);
    return image;
}
