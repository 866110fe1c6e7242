// The translator from XPS to PDF: a package read from a file descriptor, checked as Windows loads it and
// turned into PDF page by page, in one pass over its parts.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>

#include "platform.h"
#include "xps/text/font_memory.h"
#include "xps/ticket/print_settings.h"

// Receives the PDF as it is made, a piece at a time; a failing status stops the rendering.
using PdfSink = std::function<HRESULT(const unsigned char* data, std::size_t size)>;

// What translating a package found. load: what loading it finds wrong, as Windows' loader does (its ZIP
// and every part in it, the documents and pages its relationships lead to, every page's markup and
// size, images claiming more pixels than can be decoded); S_OK where the package loads. print: for a
// package that loads, what stopped its PDF from being made whole (a font or an image that cannot be
// drawn, a sink that fails). settings: what the package's print tickets ask of the printer, for a package
// whose PDF was made whole.
struct TranslationStatus {
    TranslationStatus() = default;
    TranslationStatus(HRESULT load, HRESULT print, PrintSettings settings = {})
        : load(load), print(print), settings(std::move(settings))
    {
    }

    HRESULT load = S_OK;
    HRESULT print = S_OK;
    PrintSettings settings;

    HRESULT First() const { return load < 0 ? load : print; }
};

// Writes the package read from packageFd as PDF into sink, and checks it as loading does, in one pass:
// each part is inflated once. Holds at most fontMemory bytes of fonts (but for one larger on its own).
// Calls progress now and then where a while may pass without PDF for sink. Where the package fails, what
// sink was given is no PDF.
TranslationStatus TranslateXpsToPdf(int packageFd, const PdfSink& sink, const std::function<void()>& progress = {},
                                    std::size_t fontMemory = kFontMemoryBound);
