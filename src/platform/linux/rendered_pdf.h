// What a loaded package hands a job of this layer: the PDF it was translated into as it loaded, so that
// printing it reads the package no second time and the print service needs nothing of the document
// service but this.
#pragma once

#include <memory>

#include "platform.h"
#include "platform/linux/spool_file.h"
#include "xps/ticket/print_settings.h"

struct RenderedPdf {
    SpoolFile file;
    // What stopped the PDF from being made whole (a font or an image that cannot be drawn, a temporary
    // folder that is full); the job fails with it, as it would on Windows once the page is drawn.
    HRESULT status = S_OK;
    // What the document's print tickets ask of the printer.
    PrintSettings settings;
};

// Translates the package read from packageFd into pdf's private temporary file. Returns what loading found
// wrong, else a temporary file that could not be made; otherwise S_OK, with what stopped the PDF from being
// made whole (a font or image that cannot be drawn, a temporary folder that filled up) in pdf.status.
HRESULT RenderPdf(int packageFd, RenderedPdf& pdf);

// A job's document stream of this layer, which also takes a package's PDF in place of its bytes.
struct IRenderedPdfStream : IXpsPrintJobStream {
    virtual HRESULT STDMETHODCALLTYPE WriteRenderedPdf(std::shared_ptr<const RenderedPdf> pdf) = 0;
};

inline constexpr IID IID_IRenderedPdfStream = {
    0x5f1c2d0e, 0x8a3b, 0x4c6d, {0x9e, 0x27, 0x41, 0xb0, 0x63, 0xd8, 0x15, 0xa9}};
