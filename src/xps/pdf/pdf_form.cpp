#include "xps/pdf/pdf_form.h"

#include <cmath>

#include "xps/document_failure.h"

PdfRef WriteForm(PdfWriter& writer, const PdfFormSetup& setup, const PdfContent& content,
                 const PdfResources& resources)
{
    PdfDictionary form;
    form.Set("Type", PdfValue::Name("XObject"))
        .Set("Subtype", PdfValue::Name("Form"))
        .Set("BBox", PdfValue::Rect(setup.bbox))
        .Set("Matrix", PdfValue::Matrix(setup.matrix))
        .Set("Resources", resources.Value());
    if (setup.group) {
        PdfDictionary group;
        group.Set("S", PdfValue::Name("Transparency"))
            .Set("CS", PdfValue::Name("DeviceRGB"))
            .Set("I", PdfValue::Boolean(setup.isolated))
            .Set("K", PdfValue::Boolean(setup.knockout));
        form.Set("Group", group.Value());
    }
    return writer.WriteStream(form, content.Bytes());
}

PdfRef WriteSoftMask(PdfWriter& writer, PdfMaskSource source, PdfFormSetup setup, const PdfContent& content,
                     const PdfResources& resources)
{
    setup.group = true;
    const PdfRef group = WriteForm(writer, setup, content, resources);
    PdfDictionary mask;
    mask.Set("Type", PdfValue::Name("Mask"))
        .Set("S", PdfValue::Name(source == PdfMaskSource::Alpha ? "Alpha" : "Luminosity"))
        .Set("G", PdfValue::Reference(group));
    if (source == PdfMaskSource::Luminosity)
        mask.Set("BC", PdfValue::Reals({0, 0, 0}));
    return writer.Write(mask.Value());
}

PdfRef WriteTilingPattern(PdfWriter& writer, const PdfTilingSetup& setup, const PdfContent& content,
                          const PdfResources& resources)
{
    // A step that would be written as 0.
    if (!(std::fabs(setup.xStep) >= 1e-5 && std::fabs(setup.yStep) >= 1e-5))
        ThrowDocument(E_FAIL);
    PdfDictionary pattern;
    pattern.Set("Type", PdfValue::Name("Pattern"))
        .Set("PatternType", PdfValue::Integer(1))
        .Set("PaintType", PdfValue::Integer(1))
        .Set("TilingType", PdfValue::Integer(1))
        .Set("BBox", PdfValue::Rect(setup.bbox))
        .Set("XStep", PdfValue::Real(setup.xStep))
        .Set("YStep", PdfValue::Real(setup.yStep))
        .Set("Matrix", PdfValue::Matrix(setup.matrix))
        .Set("Resources", resources.Value());
    return writer.WriteStream(pattern, content.Bytes());
}
