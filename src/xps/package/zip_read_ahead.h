// Inflating a large part on a thread of its own, a few chunks ahead of the reader that takes them:
// inflating a page takes a tenth of the time that parsing and drawing it does, and need not be waited for.
#pragma once

#include "xps/package/zip_directory.h"

// As InflateZipPart, with the same failures in the same order: what the sink throws on a chunk comes
// before any failure the inflating meets further on; the inflating stops first.
void InflateZipPartAhead(int fd, const ZipPart& part, const ZipDataSink& sink);
