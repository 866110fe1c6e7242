// Inflating a large part on a thread of its own, a few chunks ahead of the reader that takes them:
// inflating a page takes a tenth of the time that parsing and drawing it does, and need not be waited for.
#pragma once

#include "xps/package/zip_directory.h"

// As InflateZipPart, with the same statuses in the same order: the sink's failure on a chunk comes
// before any the inflating meets further on. The sink may throw; the inflating stops first.
HRESULT InflateZipPartAhead(int fd, const ZipPart& part, const ZipDataSink& sink);
