// XPS packages on Linux: checking one as it is loaded, and rendering one to PDF.
#pragma once

#include "platform.h"
#include "xps/xps_translate.h"

// Checks the package as loading it does (see CheckXpsPackage), in a child process: the tool's own
// process never grows by the package's size, and a package that brings the check down fails with a
// status. Returns S_OK or the first failure's status.
HRESULT CheckXpsPackageApart(int packageFd);

// Renders the XPS package read from the open file descriptor to PDF, page by page, into sink.
// Returns S_OK, or the status of the first failure (the package's, or the sink's).
HRESULT RenderXpsToPdf(int packageFd, const PdfSink& sink);
