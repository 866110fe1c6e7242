// Rendering an XPS package to PDF: the translator runs in a process of its own, so that whatever a
// package does to it, the tool gets a status.
#include "render_process.h"
#include "xps_package.h"
#include "xps_translate.h"

HRESULT RenderXpsToPdf(int packageFd, const PdfSink& sink)
{
    return RunInRenderProcess([packageFd](const PdfSink& toParent) { return TranslateXpsToPdf(packageFd, toParent); },
                              sink);
}
