#include "xps/page/document_resources.h"

#include <cstring>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"
#include "xps/images/decoded_image.h"
#include "xps/package/package_reader.h"
#include "xps/package/zip_directory.h"
#include "xps/pdf/pdf_image.h"
#include "xps/text/font_subset.h"
#include "xps/text/pdf_font_metrics.h"
#include "xps/text/to_unicode_cmap.h"

namespace {

// The number of components an ICC profile's colour space has, from its header; 0 for a profile that
// is not one or of a space PDF cannot take.
std::size_t ProfileComponents(const std::string& profile)
{
    if (profile.size() < 128 || profile.compare(36, 4, "acsp") != 0)
        return 0;
    const std::string space = profile.substr(16, 4);
    if (space == "GRAY")
        return 1;
    if (space == "RGB ")
        return 3;
    return space == "CMYK" ? 4 : 0;
}

// A colour profile's bytes; none where the package lacks it or it cannot be read, which leaves colours
// in their device space: a profile is never worth a failed print.
std::string ReadProfile(const PackageReader& package, const std::string& name)
{
    if (package.Find(name) == nullptr)
        return {};
    try {
        return package.Read(name);
    } catch (const DocumentFailure&) {
        return {};
    }
}

PdfValue DeviceSpace(std::size_t components)
{
    return PdfValue::Name(components == 1 ? "DeviceGray" : components == 4 ? "DeviceCMYK" : "DeviceRGB");
}

PdfRef WriteProgram(PdfWriter& writer, const FontSubset& subset)
{
    PdfDictionary dictionary;
    if (subset.Outlines() == FontOutlines::Cff)
        dictionary.Set("Subtype", PdfValue::Name(subset.CidKeyed() ? "CIDFontType0C" : "OpenType"));
    return writer.WriteStream(dictionary, subset.Program());
}

void WriteFont(PdfWriter& writer, const FontInUse& use)
{
    const FontSubset subset(*use.font, *use.glyphs);
    const PdfFontDescriptor metrics = DescribeFont(*use.font);
    const bool cff = subset.Outlines() == FontOutlines::Cff;

    PdfDictionary descriptor;
    descriptor.Set("Type", PdfValue::Name("FontDescriptor"))
        .Set("FontName", PdfValue::Name(subset.BaseFont()))
        .Set("Flags", PdfValue::Integer(metrics.flags))
        .Set("FontBBox", PdfValue::Reals({double(metrics.fontBBox[0]), double(metrics.fontBBox[1]),
                                          double(metrics.fontBBox[2]), double(metrics.fontBBox[3])}))
        .Set("ItalicAngle", PdfValue::Real(metrics.italicAngle))
        .Set("Ascent", PdfValue::Integer(metrics.ascent))
        .Set("Descent", PdfValue::Integer(metrics.descent))
        .Set("CapHeight", PdfValue::Integer(metrics.capHeight))
        .Set("StemV", PdfValue::Integer(metrics.stemV))
        .Set(cff ? "FontFile3" : "FontFile2", PdfValue::Reference(WriteProgram(writer, subset)));
    const PdfRef descriptorRef = writer.Write(descriptor.Value());

    PdfDictionary system;
    system.Set("Registry", PdfValue::Literal("Adobe"))
        .Set("Ordering", PdfValue::Literal("Identity"))
        .Set("Supplement", PdfValue::Integer(0));
    PdfDictionary cid;
    cid.Set("Type", PdfValue::Name("Font"))
        .Set("Subtype", PdfValue::Name(cff ? "CIDFontType0" : "CIDFontType2"))
        .Set("BaseFont", PdfValue::Name(subset.BaseFont()))
        .Set("CIDSystemInfo", system.Value())
        .Set("FontDescriptor", PdfValue::Reference(descriptorRef))
        .Set("W", PdfValue::Raw(PdfWidthArray(*use.font, *use.glyphs)));
    if (!cff)
        cid.Set("CIDToGIDMap", PdfValue::Name("Identity"));
    const PdfRef cidRef = writer.Write(cid.Value());

    // Each text variant shares the CIDFont, so the program is embedded once.
    for (std::size_t variant = 0; variant < use.glyphs->Variants(); ++variant) {
        const PdfRef toUnicode = writer.WriteStream(PdfDictionary(), ToUnicodeCMap(*use.glyphs, variant));
        PdfDictionary font;
        font.Set("Type", PdfValue::Name("Font"))
            .Set("Subtype", PdfValue::Name("Type0"))
            .Set("BaseFont", PdfValue::Name(subset.BaseFont()))
            .Set("Encoding", PdfValue::Name("Identity-H"))
            .Set("DescendantFonts", PdfValue::Raw("[" + PdfValue::Reference(cidRef).Written() + "]"))
            .Set("ToUnicode", PdfValue::Reference(toUnicode));
        if (variant == 0)
            writer.Write(use.object, font.Value());
        else if (variant <= use.variants.size())
            writer.Write(use.variants[variant - 1], font.Value());
    }
}

}  // namespace

FontInUse& DocumentResources::Font(const std::string& part, unsigned face)
{
    const std::string key = FoldCase(part) + "#" + std::to_string(face);
    if (const auto found = m_fonts.find(key); found != m_fonts.end()) {
        m_fontMemory.Drawn(key);
        return found->second;
    }
    const ZipPart* zipPart = m_package.Find(part);
    if (zipPart == nullptr)
        ThrowDocument(XPS_E_MISSING_PART_REFERENCE);
    for (const std::string& drawnBefore : m_fontMemory.ToLetGo(zipPart->size))
        LetGoFont(drawnBefore);
    // Read straight into the one copy the font keeps: a large font read twice would double the peak.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(zipPart->size);
    m_package.Stream(*zipPart, [&bytes](const unsigned char* data, std::size_t size) {
        bytes.insert(bytes.end(), data, data + size);
    });
    FontInUse use;
    use.font = std::make_unique<::Font>(std::move(bytes), part, "", face);
    use.glyphs = std::make_unique<GlyphUse>(*use.font);
    use.object = m_writer.Reserve();
    m_fontMemory.Hold(key, zipPart->size);
    return m_fonts.emplace(key, std::move(use)).first->second;
}

PdfRef DocumentResources::FontVariant(FontInUse& font, unsigned variant)
{
    if (variant == 0)
        return font.object;
    while (font.variants.size() < variant)
        font.variants.push_back(m_writer.Reserve());
    return font.variants[variant - 1];
}

void DocumentResources::LetGoFont(const std::string& key)
{
    const auto found = m_fonts.find(key);
    if (!found->second.glyphs->Empty())
        WriteFont(m_writer, found->second);
    else
        m_writer.Write(found->second.object, PdfValue::Null());
    m_fontMemory.LetGo(key);
    m_fonts.erase(found);
}

const ImageInUse& DocumentResources::Image(const std::string& part, const std::string& profile)
{
    const std::string key = FoldCase(part) + "|" + FoldCase(profile);
    if (const auto found = m_images.find(key); found != m_images.end())
        return found->second;
    const DecodedImage decoded = ReadImage(m_package.Read(part));
    const std::size_t components = decoded.colours == PdfColours::Gray ? 1 : decoded.colours == PdfColours::Cmyk ? 4 : 3;

    PdfImage image;
    image.width = decoded.width;
    image.height = decoded.height;
    image.bitsPerComponent = decoded.bitsPerComponent;
    PdfValue space = DeviceSpace(components);
    std::optional<PdfValue> profiled = profile.empty() ? std::nullopt : ColorSpace(profile, components);
    if (!profiled && !decoded.iccProfile.empty() && ProfileComponents(decoded.iccProfile) == components)
        profiled = IccColorSpace(WriteIccProfile(m_writer, decoded.iccProfile, static_cast<int>(components), space));
    if (profiled)
        space = *profiled;
    image.colorSpace = decoded.colours == PdfColours::Indexed
                           ? IndexedColorSpace(space, 3, decoded.palette)
                           : space;
    if (decoded.inverted) {
        const std::size_t channels = decoded.colours == PdfColours::Indexed ? 1 : components;
        for (std::size_t i = 0; i < channels; ++i)
            image.decode.insert(image.decode.end(), {1, 0});
    }
    if (!decoded.alpha.empty()) {
        PdfImage mask;
        mask.width = decoded.width;
        mask.height = decoded.height;
        mask.colorSpace = PdfValue::Name("DeviceGray");
        image.softMask = m_writer.WriteStream(ImageDictionary(mask), decoded.alpha, PdfEncoding::Encoded("FlateDecode"));
    }
    PdfEncoding encoding = decoded.filter == PdfFilter::DCTDecode ? PdfEncoding::Encoded("DCTDecode")
                                                                  : PdfEncoding::Encoded("FlateDecode");
    if (decoded.predictor)
        encoding.parameters = PngPredictor(decoded.predictor->colors, decoded.predictor->bitsPerComponent,
                                           decoded.predictor->columns);
    ImageInUse use;
    use.object = m_writer.WriteStream(ImageDictionary(image), decoded.data, encoding);
    use.width = decoded.width * 96.0 / decoded.dpiX;
    use.height = decoded.height * 96.0 / decoded.dpiY;
    return m_images.emplace(key, use).first->second;
}

std::optional<PdfValue> DocumentResources::ColorSpace(const std::string& profile, std::size_t components)
{
    auto [found, added] = m_profiles.try_emplace(FoldCase(profile));
    if (added) {
        const std::string bytes = ReadProfile(m_package, profile);
        if (const std::size_t n = ProfileComponents(bytes); n != 0)
            found->second = ColorProfile{WriteIccProfile(m_writer, bytes, static_cast<int>(n), DeviceSpace(n)), n};
    }
    if (!found->second || found->second->components != components)
        return std::nullopt;
    return IccColorSpace(found->second->object);
}

void DocumentResources::Finish()
{
    while (!m_fonts.empty())
        LetGoFont(m_fonts.begin()->first);
}
