// wrenpage-pdf FILE.xps OUT.pdf: the tool's translation of a document, written to a file or, for OUT "-",
// standard output. Fails as the tool does, with one line and the status's exit code, leaving OUT as it was.
#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>

#include "convert/pdf_file.h"
#include "convert/pdf_spool.h"
#include "platform/linux/open_document.h"
#include "platform/linux/startup.h"
#include "platform/linux/statuses.h"

namespace {

HRESULT Convert(const std::string& input, const std::string& output)
{
    UniqueFd package;
    if (const HRESULT opened = OpenDocument(input, package); opened != S_OK)
        return opened;
    RenderedPdf pdf;
    if (const HRESULT translated = TranslateToSpool(package.Get(), pdf); translated != S_OK)
        return translated;
    return output == "-" ? CopySpool(pdf.file, STDOUT_FILENO) : WritePdfFile(pdf.file, output);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fputs("Usage: wrenpage-pdf FILE.xps OUT.pdf\n"
                   "Translates an XPS document into PDF; OUT - writes the PDF on standard output.\n",
                   stderr);
        return 1;
    }
    HRESULT status;
    try {
        status = Convert(argv[1], argv[2]);
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY;
    } catch (...) {
        std::fputs("Unknown error\n", stderr);
        return 1;
    }
    if (status != S_OK)
        std::fprintf(stderr, "Error %d\n", static_cast<int>(status));
    return ExitCodeFromStatus(status);
}
