#include "platform/linux/rendered_pdf.h"

#include "xps/translate_apart.h"

HRESULT RenderPdf(int packageFd, RenderedPdf& pdf)
{
    const HRESULT opened = pdf.file.Open();
    HRESULT written = opened;
    // A temporary folder that fills up fails the job; the translation goes on, for what loading finds.
    const TranslationStatus translated = TranslateApart(packageFd, [&](const unsigned char* data, std::size_t size) {
        if (written >= 0)
            written = pdf.file.Write(data, size);
        return S_OK;
    });
    if (translated.load != S_OK)
        return translated.load;
    // No temporary folder fails the load, before any server is asked.
    if (opened < 0)
        return opened;
    pdf.status = written < 0 ? written : translated.print;
    pdf.settings = translated.settings;
    return S_OK;
}
