#include "image_samples.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <JXRGlue.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

Pixels Gradient(std::uint32_t width, std::uint32_t height, int channels)
{
    Pixels pixels{width, height, channels, std::string()};
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                pixels.samples += static_cast<char>((x * 37 + y * 11 + static_cast<unsigned>(c) * 71) % 256);
    return pixels;
}

std::string MakeJpeg(const Pixels& pixels, const JpegOptions& options)
{
    jpeg_compress_struct encoder{};
    jpeg_error_mgr errors{};
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&encoder, &out, &size);
    encoder.image_width = pixels.width;
    encoder.image_height = pixels.height;
    encoder.input_components = pixels.channels;
    encoder.in_color_space = pixels.channels == 1 ? JCS_GRAYSCALE : pixels.channels == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&encoder);
    encoder.arith_code = options.arithmetic ? TRUE : FALSE;
    if (options.dpiX > 0) {
        encoder.density_unit = 1;
        encoder.X_density = static_cast<UINT16>(options.dpiX);
        encoder.Y_density = static_cast<UINT16>(options.dpiY);
    }
    jpeg_start_compress(&encoder, TRUE);
    for (const std::string& segment : options.app2)
        jpeg_write_marker(&encoder, JPEG_APP0 + 2, reinterpret_cast<const JOCTET*>(segment.data()),
                          static_cast<unsigned>(segment.size()));
    const std::size_t stride = std::size_t{pixels.width} * static_cast<std::size_t>(pixels.channels);
    while (encoder.next_scanline < encoder.image_height) {
        auto* row = reinterpret_cast<JSAMPLE*>(const_cast<char*>(pixels.samples.data() + encoder.next_scanline * stride));
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return jpeg;
}

namespace {

void AppendPng(png_structp png, png_bytep data, std::size_t size)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), size);
}

}  // namespace

std::string MakePng(const Pixels& pixels, const PngOptions& options)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPng, nullptr);
    // Small buffers, so that the data spreads over several IDAT chunks.
    png_set_compression_buffer_size(png, 64);
    png_set_IHDR(png, info, pixels.width, pixels.height, 8, options.colourType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!options.palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(options.palette.data()),
                     static_cast<int>(options.palette.size() / 3));
    if (!options.transparency.empty())
        png_set_tRNS(png, info, reinterpret_cast<png_const_bytep>(options.transparency.data()),
                     static_cast<int>(options.transparency.size()), nullptr);
    if (options.pixelsPerMetre > 0)
        png_set_pHYs(png, info, options.pixelsPerMetre, options.pixelsPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    const std::size_t stride = std::size_t{pixels.width} * static_cast<std::size_t>(pixels.channels);
    for (std::uint32_t y = 0; y < pixels.height; ++y)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(pixels.samples.data() + y * stride)));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string MakeTiff(const Pixels& pixels, const TiffOptions& options)
{
    char path[] = "/tmp/images-test-XXXXXX";
    const int file = mkstemp(path);
    close(file);
    TIFF* tiff = TIFFOpen(path, "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, pixels.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, pixels.height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, pixels.channels);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, options.bits);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, options.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    if (options.alpha != 0) {
        const std::uint16_t kind = static_cast<std::uint16_t>(options.alpha);
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (options.xResolution > 0) {
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, options.xResolution);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, options.yResolution);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, options.resolutionUnit);
    }
    const std::size_t stride =
        (std::size_t{pixels.width} * static_cast<std::size_t>(pixels.channels * options.bits) + 7) / 8;
    if (options.tiled) {
        const std::uint32_t side = 16;
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, side);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, side);
        std::vector<unsigned char> tile(side * side * static_cast<std::size_t>(pixels.channels));
        for (std::uint32_t ty = 0; ty < pixels.height; ty += side) {
            for (std::uint32_t tx = 0; tx < pixels.width; tx += side) {
                std::fill(tile.begin(), tile.end(), 0);
                for (std::uint32_t y = ty; y < ty + side && y < pixels.height; ++y)
                    for (std::uint32_t x = tx; x < tx + side && x < pixels.width; ++x)
                        std::memcpy(&tile[((y - ty) * side + (x - tx)) * static_cast<std::size_t>(pixels.channels)],
                                    &pixels.samples[y * stride + x * static_cast<std::size_t>(pixels.channels)],
                                    static_cast<std::size_t>(pixels.channels));
                TIFFWriteTile(tiff, tile.data(), tx, ty, 0, 0);
            }
        }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
        for (std::uint32_t y = 0; y < pixels.height; ++y)
            TIFFWriteScanline(tiff, const_cast<char*>(pixels.samples.data() + y * stride), y, 0);
    }
    TIFFClose(tiff);
    std::string bytes;
    std::FILE* in = std::fopen(path, "rb");
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.append(buffer, got);
    std::fclose(in);
    unlink(path);
    return bytes;
}

namespace {

// The encoder seeks back to write its directory, so its stream's position is not the file's end: the
// end is where the image data ends, as the directory says.
std::size_t JpegXrSize(const std::string& file)
{
    const auto* p = reinterpret_cast<const unsigned char*>(file.data());
    const auto read16 = [&](std::size_t at) { return std::size_t{p[at]} | std::size_t{p[at + 1]} << 8; };
    const auto read32 = [&](std::size_t at) { return read16(at) | read16(at + 2) << 16; };
    const std::size_t directory = read32(4);
    std::size_t offset = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < read16(directory); ++i) {
        const std::size_t entry = directory + 2 + i * 12;
        if (read16(entry) == 0xBCC0)
            offset = read32(entry + 8);
        if (read16(entry) == 0xBCC1)
            count = read32(entry + 8);
    }
    return offset + count;
}

}  // namespace

std::string MakeJpegXr(const Pixels& pixels, float dpiX, float dpiY)
{
    std::string file(1 << 20, '\0');
    PKCodecFactory* factory = nullptr;
    PKImageEncode* encoder = nullptr;
    WMPStream* stream = nullptr;
    PKCreateCodecFactory(&factory, WMP_SDK_VERSION);
    factory->CreateCodec(&IID_PKImageWmpEncode, reinterpret_cast<void**>(&encoder));
    CreateWS_Memory(&stream, &file[0], file.size());
    CWMIStrCodecParam parameters{};
    parameters.cfColorFormat = YUV_444;
    parameters.bdBitDepth = BD_LONG;
    parameters.bfBitstreamFormat = FREQUENCY;
    parameters.olOverlap = OL_ONE;
    parameters.sbSubband = SB_ALL;
    parameters.uiDefaultQPIndex = 1;
    encoder->Initialize(encoder, stream, &parameters, sizeof parameters);
    encoder->SetPixelFormat(encoder, GUID_PKPixelFormat24bppRGB);
    encoder->SetSize(encoder, static_cast<I32>(pixels.width), static_cast<I32>(pixels.height));
    encoder->SetResolution(encoder, dpiX, dpiY);
    if (encoder->WritePixels(encoder, pixels.height, reinterpret_cast<U8*>(const_cast<char*>(pixels.samples.data())),
                             pixels.width * 3) != WMP_errSuccess)
        throw std::runtime_error("jxrlib could not encode");
    encoder->Release(&encoder);
    factory->Release(&factory);
    file.resize(JpegXrSize(file));
    return file;
}

std::string Inflated(const std::string& deflated)
{
    z_stream stream{};
    inflateInit(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    std::string out;
    int result = Z_OK;
    while (result == Z_OK) {
        char buffer[4096];
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("not a whole zlib stream");
    return out;
}

std::string PngData(const std::string& png)
{
    std::string data;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
        const std::size_t length = std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 | std::size_t{p[2]} << 8 | p[3];
        if (png.compare(at + 4, 4, "IDAT") == 0)
            data += png.substr(at + 8, length);
        at += 12 + length;
    }
    return data;
}
