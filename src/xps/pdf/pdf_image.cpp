#include "xps/pdf/pdf_image.h"

#include "xps/document_failure.h"

PdfDictionary ImageDictionary(const PdfImage& image)
{
    const int bits = image.bitsPerComponent;
    if (image.width == 0 || image.height == 0 || image.width > kPdfLargestImageSide || image.height > kPdfLargestImageSide)
        ThrowDocument(E_FAIL);
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
        ThrowDocument(E_FAIL);
    PdfDictionary dictionary;
    dictionary.Set("Type", PdfValue::Name("XObject"))
        .Set("Subtype", PdfValue::Name("Image"))
        .Set("Width", PdfValue::Integer(image.width))
        .Set("Height", PdfValue::Integer(image.height))
        .Set("ColorSpace", image.colorSpace)
        .Set("BitsPerComponent", PdfValue::Integer(bits));
    if (!image.decode.empty())
        dictionary.Set("Decode", PdfValue::Reals(image.decode));
    if (image.softMask)
        dictionary.Set("SMask", PdfValue::Reference(*image.softMask));
    return dictionary;
}

PdfValue PngPredictor(int colors, int bitsPerComponent, std::uint32_t columns)
{
    PdfDictionary parameters;
    parameters.Set("Predictor", PdfValue::Integer(15))
        .Set("Colors", PdfValue::Integer(colors))
        .Set("BitsPerComponent", PdfValue::Integer(bitsPerComponent))
        .Set("Columns", PdfValue::Integer(columns));
    return parameters.Value();
}

PdfRef WriteIccProfile(PdfWriter& writer, std::string_view profile, int components, const PdfValue& alternate)
{
    if (components != 1 && components != 3 && components != 4)
        ThrowDocument(E_FAIL);
    PdfDictionary dictionary;
    dictionary.Set("N", PdfValue::Integer(components)).Set("Alternate", alternate);
    return writer.WriteStream(dictionary, profile);
}

PdfValue IccColorSpace(PdfRef profile)
{
    PdfArray space;
    space.Add(PdfValue::Name("ICCBased")).Add(PdfValue::Reference(profile));
    return space.Value();
}

PdfValue IndexedColorSpace(const PdfValue& base, int components, std::string_view palette)
{
    if (components < 1 || components > 4 || palette.empty() || palette.size() % static_cast<std::size_t>(components) != 0
        || palette.size() / static_cast<std::size_t>(components) > 256)
        ThrowDocument(E_FAIL);
    PdfArray space;
    space.Add(PdfValue::Name("Indexed"))
        .Add(base)
        .Add(PdfValue::Integer(static_cast<std::int64_t>(palette.size() / static_cast<std::size_t>(components)) - 1))
        .Add(PdfValue::Hex(palette));
    return space.Value();
}
