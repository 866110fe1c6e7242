// The CUPS filter from XPS to PDF: xpstopdf-wrenpage job-id user title copies options [file]. Reads the
// document from file or standard input and writes its PDF on standard output, once whole; a document
// that cannot be printed ends the job with an ERROR line that carries the status.
#include <unistd.h>

#include <cstdio>
#include <new>

#include "convert/pdf_spool.h"
#include "platform/linux/open_document.h"
#include "platform/linux/statuses.h"

namespace {

HRESULT Filter(const char* file)
{
    // A package is read from its end, so standard input is spooled first.
    UniqueFd opened;
    SpoolFile spooled;
    if (const HRESULT read = file != nullptr ? OpenDocument(file, opened) : SpoolStream(STDIN_FILENO, spooled);
        read != S_OK)
        return read;
    RenderedPdf pdf;
    const HRESULT translated = TranslateToSpool(file != nullptr ? opened.Get() : spooled.Descriptor(), pdf);
    if (translated != S_OK)
        return translated;
    std::fprintf(stderr, "DEBUG: wrenpage translated the XPS document into %zu bytes of PDF\n", pdf.file.Size());
    return CopySpool(pdf.file, STDOUT_FILENO);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
        return 1;
    }
    HRESULT status;
    try {
        status = Filter(argc == 7 ? argv[6] : nullptr);
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY;
    } catch (...) {
        status = E_UNEXPECTED;
    }
    if (status == S_OK)
        return 0;
    std::fprintf(stderr, "ERROR: wrenpage could not print the XPS document: Error %d\n", static_cast<int>(status));
    return 1;
}
