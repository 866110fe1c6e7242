#include "xps/pdf/pdf_graphics_state.h"

#include "xps/document_failure.h"

namespace {

PdfValue Alpha(double alpha)
{
    if (!(alpha >= 0 && alpha <= 1))
        ThrowDocument(E_FAIL);
    return PdfValue::Real(alpha);
}

}  // namespace

PdfRef WriteGraphicsState(PdfWriter& writer, const PdfGraphicsState& state)
{
    if (state.softMask && state.clearSoftMask)
        ThrowDocument(E_FAIL);
    PdfDictionary dictionary;
    dictionary.Set("Type", PdfValue::Name("ExtGState"));
    if (state.fillAlpha)
        dictionary.Set("ca", Alpha(*state.fillAlpha));
    if (state.strokeAlpha)
        dictionary.Set("CA", Alpha(*state.strokeAlpha));
    if (state.softMask)
        dictionary.Set("SMask", PdfValue::Reference(*state.softMask));
    if (state.clearSoftMask)
        dictionary.Set("SMask", PdfValue::Name("None"));
    return writer.WriteShared(dictionary.Value());
}
