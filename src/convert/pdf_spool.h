// The converters' one path from an XPS package to PDF: translated whole into a private temporary file,
// and copied out only once nothing failed, so that no reader ever gets half a document.
#pragma once

#include "platform.h"
#include "platform/linux/rendered_pdf.h"
#include "platform/linux/spool_file.h"

// Translates the package read from packageFd into pdf, in a child process: S_OK only for a whole PDF.
// Otherwise the status the tool would fail the same document with: what loading found wrong first, then a
// temporary file that could not be written, then what drawing found wrong (a font that cannot be drawn).
HRESULT TranslateToSpool(int packageFd, RenderedPdf& pdf);

// Copies what was read from fd to its end into spool.
HRESULT SpoolStream(int fd, SpoolFile& spool);

// Writes all of spool to fd, where fd stands.
HRESULT CopySpool(const SpoolFile& spool, int fd);
