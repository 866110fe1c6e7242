// The XPS document service's own translator: a package checked as it is loaded, and turned into PDF
// page by page as it is printed.
#pragma once

#include <cstddef>
#include <functional>

#include "platform.h"
#include "xps/text/font_memory.h"

// Receives the PDF as it is made, a piece at a time; a failing status stops the rendering.
using PdfSink = std::function<HRESULT(const unsigned char* data, std::size_t size)>;

// Checks what loading a package finds wrong, as Windows does: its ZIP and every part in it, the
// documents and pages its relationships lead to, and every page's markup and size. Returns S_OK or the
// first failure's status. Calls progress after each part it has checked.
HRESULT CheckXpsPackage(int packageFd, const std::function<void()>& progress);

// Writes the package as PDF into sink, in this process, holding at most fontMemory bytes of fonts (but
// for one larger on its own). Returns S_OK, or the first failure's status (the package's, or the sink's).
HRESULT TranslateXpsToPdf(int packageFd, const PdfSink& sink, std::size_t fontMemory = kFontMemoryBound);
