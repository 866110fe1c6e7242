// TIFF: the first directory decoded by libtiff from memory, a strip or a band of rows at a time.
// Strips of 1- or 8-bit grey, 8-bit RGB or CMYK are read a row at a time as they are; anything else
// goes through libtiff's RGBA reading, which knows every photometric and layout it supports.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include <tiffio.h>

#include "xps/images/flate_stream.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_metadata.h"
#include "xps/images/image_readers.h"
#include "xps/images/pixel_sink.h"

namespace {

// Beyond this libtiff refuses to allocate, so a single strip of a huge image cannot take the memory.
constexpr tmsize_t kMaxTiffAllocation = 32 << 20;
// Rows are read through RGBA in bands of about this many pixels, four bytes each.
constexpr std::uint32_t kBandPixels = 1u << 20;
constexpr double kCentimetresPerInch = 2.54;

struct TiffSource {
    std::string_view bytes;
    toff_t at = 0;
};

tmsize_t ReadSource(thandle_t handle, void* out, tmsize_t size)
{
    auto& source = *static_cast<TiffSource*>(handle);
    if (size < 0 || source.at > source.bytes.size())
        return -1;
    const auto count = std::min<toff_t>(static_cast<toff_t>(size), source.bytes.size() - source.at);
    std::memcpy(out, source.bytes.data() + source.at, count);
    source.at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekSource(thandle_t handle, toff_t offset, int whence)
{
    auto& source = *static_cast<TiffSource*>(handle);
    const toff_t base = whence == SEEK_CUR ? source.at : whence == SEEK_END ? source.bytes.size() : 0;
    if (offset > ~base)
        return static_cast<toff_t>(-1);
    source.at = base + offset;
    return source.at;
}

int CloseSource(thandle_t) { return 0; }

toff_t SourceSize(thandle_t handle) { return static_cast<TiffSource*>(handle)->bytes.size(); }

// libtiff reads strips straight from the bytes instead of copying them.
int MapSource(thandle_t handle, void** base, toff_t* size)
{
    auto& source = *static_cast<TiffSource*>(handle);
    *base = const_cast<char*>(source.bytes.data());
    *size = source.bytes.size();
    return 1;
}

void UnmapSource(thandle_t, void*, toff_t) {}

int Silence(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Owner of libtiff's open options.
class TiffOptions {
public:
    TiffOptions() : m_options(TIFFOpenOptionsAlloc())
    {
        if (!m_options)
            ThrowOutOfMemory();
        TIFFOpenOptionsSetMaxSingleMemAlloc(m_options, kMaxTiffAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(m_options, Silence, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(m_options, Silence, nullptr);
    }
    TiffOptions(const TiffOptions&) = delete;
    TiffOptions& operator=(const TiffOptions&) = delete;
    ~TiffOptions() { TIFFOpenOptionsFree(m_options); }

    TIFFOpenOptions* get() const { return m_options; }

private:
    TIFFOpenOptions* m_options;
};

// Owner of a TIFF read from memory.
class Tiff {
public:
    explicit Tiff(TiffSource& source)
    {
        // A few codecs still report through the process-wide handlers, which would print.
        static std::once_flag silenced;
        std::call_once(silenced, [] {
            TIFFSetErrorHandler(nullptr);
            TIFFSetWarningHandler(nullptr);
        });
        const TiffOptions options;
        m_tiff = TIFFClientOpenExt("image", "r", &source, ReadSource, RefuseWrite, SeekSource, CloseSource, SourceSize,
                                   MapSource, UnmapSource, options.get());
        CheckImage(m_tiff != nullptr);
    }
    Tiff(const Tiff&) = delete;
    Tiff& operator=(const Tiff&) = delete;
    ~Tiff() { TIFFClose(m_tiff); }

    TIFF* get() const { return m_tiff; }

private:
    TIFF* m_tiff = nullptr;
};

// Owner of libtiff's RGBA reader over a TIFF.
class RgbaReader {
public:
    explicit RgbaReader(TIFF* tiff)
    {
        char message[1024] = {};
        CheckImage(TIFFRGBAImageOK(tiff, message) == 1 && TIFFRGBAImageBegin(&m_image, tiff, 1, message) == 1);
        // Rows stay in the file's order, as the strips read as they are do: WIC leaves Orientation to
        // whoever shows the image, and XPS draws it as decoded.
        m_image.req_orientation = m_image.orientation;
    }
    RgbaReader(const RgbaReader&) = delete;
    RgbaReader& operator=(const RgbaReader&) = delete;
    ~RgbaReader() { TIFFRGBAImageEnd(&m_image); }

    TIFFRGBAImage& image() { return m_image; }

private:
    TIFFRGBAImage m_image{};
};

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t photometric = 0;
    // The alpha's ExtraSamples kind, 0 where there is none.
    std::uint16_t alpha = 0;
    bool strips = false;
};

Layout ReadLayout(TIFF* tiff)
{
    Layout layout;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t inks = INKSET_CMYK;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    CheckImage(TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width) == 1 &&
               TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height) == 1 &&
               TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric) == 1);
    CheckImageSize(layout.width, layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inks);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    if (extraCount == 1 && (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA))
        layout.alpha = extraKinds[0];
    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK || layout.photometric == PHOTOMETRIC_MINISWHITE;
    const bool rows = !TIFFIsTiled(tiff) && planar == PLANARCONFIG_CONTIG && layout.bits == 8 &&
                      layout.samples == extraCount + (grey ? 1 : 3 + (layout.photometric == PHOTOMETRIC_SEPARATED));
    const bool bilevel = grey && layout.bits == 1 && layout.samples == 1 && !TIFFIsTiled(tiff);
    const bool cmyk = layout.photometric == PHOTOMETRIC_SEPARATED && inks == INKSET_CMYK && extraCount == 0;
    layout.strips = bilevel || (rows && (grey || layout.photometric == PHOTOMETRIC_RGB || cmyk) &&
                                (extraCount == 0 || layout.alpha != 0));
    return layout;
}

// Premultiplied samples back to straight ones, as a soft mask wants them.
void Unpremultiply(unsigned char* pixels, std::uint32_t count, int colourChannels)
{
    for (std::uint32_t i = 0; i < count; ++i, pixels += colourChannels + 1) {
        const unsigned alpha = pixels[colourChannels];
        for (int c = 0; c < colourChannels && alpha != 0 && alpha != 255; ++c)
            pixels[c] = static_cast<unsigned char>(std::min(255u, (pixels[c] * 255u + alpha / 2) / alpha));
    }
}

void ReadStrips(TIFF* tiff, const Layout& layout, DecodedImage& image)
{
    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK || layout.photometric == PHOTOMETRIC_MINISWHITE;
    image.colours = grey ? PdfColours::Gray : layout.photometric == PHOTOMETRIC_RGB ? PdfColours::Rgb : PdfColours::Cmyk;
    image.inverted = layout.photometric == PHOTOMETRIC_MINISWHITE;
    const int colourChannels = layout.samples - (layout.alpha != 0);
    std::vector<unsigned char> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    CheckImage(row.size() == (std::size_t{layout.width} * layout.samples * layout.bits + 7) / 8);
    if (layout.bits == 1) {
        FlateStream data;
        for (std::uint32_t y = 0; y < layout.height; ++y) {
            CheckImage(TIFFReadScanline(tiff, row.data(), y, 0) == 1);
            data.Write(row.data(), row.size());
        }
        image.filter = PdfFilter::FlateDecode;
        image.bitsPerComponent = 1;
        image.data = data.Finish();
        return;
    }
    PixelSink sink(layout.width, colourChannels, layout.alpha != 0);
    for (std::uint32_t y = 0; y < layout.height; ++y) {
        CheckImage(TIFFReadScanline(tiff, row.data(), y, 0) == 1);
        if (layout.alpha == EXTRASAMPLE_ASSOCALPHA)
            Unpremultiply(row.data(), layout.width, colourChannels);
        sink.WriteRow(row.data());
    }
    sink.Finish(image);
}

void ReadRgba(TIFF* tiff, const Layout& layout, DecodedImage& image)
{
    RgbaReader reader(tiff);
    TIFFRGBAImage& rgba = reader.image();
    const bool alpha = rgba.alpha != 0;
    const bool grey = !alpha && (layout.photometric == PHOTOMETRIC_MINISBLACK ||
                                 layout.photometric == PHOTOMETRIC_MINISWHITE);
    const int colourChannels = grey ? 1 : 3;
    image.colours = grey ? PdfColours::Gray : PdfColours::Rgb;
    const std::uint32_t band = std::clamp<std::uint32_t>(kBandPixels / layout.width, 1, layout.height);
    std::vector<std::uint32_t> raster(std::size_t{layout.width} * band);
    const std::size_t pixelSize = static_cast<std::size_t>(colourChannels) + alpha;
    std::vector<unsigned char> row(layout.width * pixelSize);
    PixelSink sink(layout.width, colourChannels, alpha);
    for (std::uint32_t y = 0; y < layout.height; y += band) {
        const std::uint32_t rows = std::min(band, layout.height - y);
        rgba.row_offset = static_cast<int>(y);
        rgba.col_offset = 0;
        CheckImage(TIFFRGBAImageGet(&rgba, raster.data(), layout.width, rows) == 1);
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t* in = &raster[std::size_t{r} * layout.width];
            unsigned char* out = row.data();
            for (std::uint32_t x = 0; x < layout.width; ++x) {
                *out++ = static_cast<unsigned char>(TIFFGetR(in[x]));
                if (!grey) {
                    *out++ = static_cast<unsigned char>(TIFFGetG(in[x]));
                    *out++ = static_cast<unsigned char>(TIFFGetB(in[x]));
                }
                if (alpha)
                    *out++ = static_cast<unsigned char>(TIFFGetA(in[x]));
            }
            // libtiff hands every alpha over premultiplied.
            if (alpha)
                Unpremultiply(row.data(), layout.width, colourChannels);
            sink.WriteRow(row.data());
        }
    }
    sink.Finish(image);
}

double Resolution(TIFF* tiff, ttag_t tag, std::uint16_t unit)
{
    float value = 0;
    if (TIFFGetField(tiff, tag, &value) != 1 || unit == RESUNIT_NONE)
        return 0;
    return unit == RESUNIT_CENTIMETER ? value * kCentimetresPerInch : value;
}

}  // namespace

void CheckTiffHeader(std::string_view bytes)
{
    TiffSource source{bytes};
    const Tiff tiff(source);
    ReadLayout(tiff.get());
}

DecodedImage ReadTiff(std::string_view bytes)
{
    TiffSource source{bytes};
    const Tiff tiff(source);
    const Layout layout = ReadLayout(tiff.get());
    DecodedImage image;
    image.width = layout.width;
    image.height = layout.height;
    if (layout.strips)
        ReadStrips(tiff.get(), layout, image);
    else
        ReadRgba(tiff.get(), layout, image);
    std::uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tiff.get(), TIFFTAG_ICCPROFILE, &profileSize, &profile) == 1 && profile)
        image.iccProfile = FittingProfile(std::string(static_cast<const char*>(profile), profileSize), image.colours);
    std::uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    image.dpiX = Dpi(Resolution(tiff.get(), TIFFTAG_XRESOLUTION, unit));
    image.dpiY = Dpi(Resolution(tiff.get(), TIFFTAG_YRESOLUTION, unit));
    return image;
}
