// JPEG XR (HD Photo): decoded by jxrlib a band of macroblock rows at a time, its pixel format
// converted by jxrlib to 8-bit grey, RGB, RGBA or CMYK.
#include <cstdint>
#include <string>
#include <vector>

#include <JXRGlue.h>

#include "xps/byte_order.h"
#include "xps/images/decode_apart.h"
#include "xps/images/image_failure.h"
#include "xps/images/image_metadata.h"
#include "xps/images/image_readers.h"
#include "xps/images/pixel_sink.h"

namespace {

// jxrlib decodes macroblocks of 16 rows; a band of one keeps its buffers as small as it can.
constexpr std::uint32_t kBandRows = 16;
// jxrlib holds a few macroblock rows at 32 bits a sample: beyond this width those alone outgrow the
// memory a print may take.
constexpr std::uint32_t kMaxWidth = 1u << 15;
constexpr U8 kAlphaInterleaved = 2;

constexpr std::uint32_t kImageOffset = 0xBCC0;
constexpr std::uint32_t kImageByteCount = 0xBCC1;
constexpr std::uint32_t kAlphaOffset = 0xBCC2;
constexpr std::uint32_t kAlphaByteCount = 0xBCC3;
constexpr std::uint32_t kShort = 3;

void Check(ERR result) { CheckImage(result == WMP_errSuccess); }

// jxrlib decodes whatever part of an image is there without a word: the container's directory must
// place the image's data, and its alpha's, within the bytes.
void CheckContainer(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    CheckImage(bytes.size() >= 8);
    const std::size_t directory = Little32(p + 4);
    CheckImage(directory <= bytes.size() && bytes.size() - directory >= 2);
    const std::size_t entries = Little16(p + directory);
    CheckImage((bytes.size() - directory - 2) / 12 >= entries);
    std::uint64_t places[4] = {};
    for (std::size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = p + directory + 2 + i * 12;
        const std::uint32_t tag = Little16(entry);
        if (tag >= kImageOffset && tag <= kAlphaByteCount)
            places[tag - kImageOffset] = Little16(entry + 2) == kShort ? Little16(entry + 8) : Little32(entry + 8);
    }
    CheckImage(places[1] > 0 && places[0] + places[1] <= bytes.size() && places[2] + places[3] <= bytes.size());
}

// Owner of a jxrlib stream over the bytes, which it only reads.
class JxrStream {
public:
    explicit JxrStream(std::string_view bytes)
    {
        Check(CreateWS_Memory(&m_stream, const_cast<char*>(bytes.data()), bytes.size()));
    }
    JxrStream(const JxrStream&) = delete;
    JxrStream& operator=(const JxrStream&) = delete;
    ~JxrStream() { m_stream->Close(&m_stream); }

    WMPStream* get() const { return m_stream; }

private:
    WMPStream* m_stream = nullptr;
};

// Owner of a jxrlib decoder; it does not own the stream it reads.
class JxrDecoder {
public:
    JxrDecoder() { Check(PKImageDecode_Create_WMP(&m_decoder)); }
    JxrDecoder(const JxrDecoder&) = delete;
    JxrDecoder& operator=(const JxrDecoder&) = delete;
    ~JxrDecoder() { m_decoder->Release(&m_decoder); }

    PKImageDecode* operator->() const { return m_decoder; }
    PKImageDecode* get() const { return m_decoder; }

private:
    PKImageDecode* m_decoder = nullptr;
};

// Owner of a jxrlib pixel format converter.
class JxrConverter {
public:
    JxrConverter() { Check(PKCodecFactory_CreateFormatConverter(&m_converter)); }
    JxrConverter(const JxrConverter&) = delete;
    JxrConverter& operator=(const JxrConverter&) = delete;
    ~JxrConverter() { m_converter->Release(&m_converter); }

    PKFormatConverter* operator->() const { return m_converter; }
    PKFormatConverter* get() const { return m_converter; }

private:
    PKFormatConverter* m_converter = nullptr;
};

struct Target {
    const PKPixelFormatGUID* format;
    PdfColours colours;
    int colourChannels;
    bool alpha;
};

Target TargetFor(const JxrDecoder& decoder)
{
    PKPixelFormatGUID source{};
    Check(decoder->GetPixelFormat(decoder.get(), &source));
    PKPixelInfo info{};
    info.pGUIDPixFmt = &source;
    Check(PixelFormatLookup(&info, LOOKUP_FORWARD));
    const bool alpha = (info.grBit & PK_pixfmtHasAlpha) != 0;
    if (!alpha && (info.cfColorFormat == Y_ONLY || IsEqualGUID(source, GUID_PKPixelFormatBlackWhite)))
        return {&GUID_PKPixelFormat8bppGray, PdfColours::Gray, 1, false};
    if (!alpha && info.cfColorFormat == CMYK)
        return {&GUID_PKPixelFormat32bppCMYK, PdfColours::Cmyk, 4, false};
    if (alpha)
        return {&GUID_PKPixelFormat32bppRGBA, PdfColours::Rgb, 3, true};
    return {&GUID_PKPixelFormat24bppRGB, PdfColours::Rgb, 3, false};
}

std::string Profile(const JxrDecoder& decoder)
{
    U32 size = 0;
    if (decoder->GetColorContext(decoder.get(), nullptr, &size) != WMP_errSuccess || size == 0)
        return std::string();
    std::string profile(size, '\0');
    if (decoder->GetColorContext(decoder.get(), reinterpret_cast<U8*>(&profile[0]), &size) != WMP_errSuccess)
        return std::string();
    return profile;
}

DecodedImage Decode(std::string_view bytes)
{
    const JxrStream stream(bytes);
    const JxrDecoder decoder;
    Check(decoder->Initialize(decoder.get(), stream.get()));
    // jxrlib leaves alpha out unless asked for it.
    if (decoder->WMP.bHasAlpha)
        decoder->WMP.wmiSCP.uAlphaMode = kAlphaInterleaved;
    I32 width = 0;
    I32 height = 0;
    Check(decoder->GetSize(decoder.get(), &width, &height));
    CheckImage(width > 0 && height > 0);
    CheckImageSize(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    if (static_cast<std::uint32_t>(width) > kMaxWidth)
        ThrowImageTooLarge();
    const Target target = TargetFor(decoder);
    const JxrConverter converter;
    Check(converter->Initialize(converter.get(), decoder.get(), nullptr, *target.format));
    DecodedImage image;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.colours = target.colours;
    const std::size_t pixelSize = static_cast<std::size_t>(target.colourChannels) + target.alpha;
    const std::size_t stride = image.width * pixelSize;
    std::vector<U8> band(stride * kBandRows);
    PixelSink sink(image.width, target.colourChannels, target.alpha);
    for (std::uint32_t y = 0; y < image.height; y += kBandRows) {
        const std::uint32_t rows = image.height - y < kBandRows ? image.height - y : kBandRows;
        const PKRect rect{0, static_cast<I32>(y), width, static_cast<I32>(rows)};
        Check(converter->Copy(converter.get(), &rect, band.data(), static_cast<U32>(stride)));
        for (std::uint32_t r = 0; r < rows; ++r)
            sink.WriteRow(&band[r * stride]);
    }
    sink.Finish(image);
    image.iccProfile = FittingProfile(Profile(decoder), image.colours);
    Float dpiX = 0;
    Float dpiY = 0;
    Check(decoder->GetResolution(decoder.get(), &dpiX, &dpiY));
    image.dpiX = Dpi(dpiX);
    image.dpiY = Dpi(dpiY);
    return image;
}

}  // namespace

// jxrlib crashes on some damaged data, and reports what it does not know in a directory on standard
// output, where the tool writes nothing: it works in a process of its own.
DecodedImage ReadJpegXr(std::string_view bytes)
{
    CheckContainer(bytes);
    return DecodeApart(bytes, Decode);
}
