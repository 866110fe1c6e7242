// Checking and rendering an XPS package: the translator runs in a process of its own for each, so that
// whatever a package does to it, the tool gets a status.
#include <chrono>

#include "render_process.h"
#include "xps_package.h"
#include "xps/xps_translate.h"

HRESULT CheckXpsPackageApart(int packageFd)
{
    return RunInRenderProcess(
        [packageFd](const PdfSink& toParent) {
            // The check sends nothing, so it tells the parent now and then that it has not stalled.
            auto last = std::chrono::steady_clock::now();
            return CheckXpsPackage(packageFd, [&] {
                const auto now = std::chrono::steady_clock::now();
                if (now - last < std::chrono::seconds(1))
                    return;
                last = now;
                toParent(nullptr, 0);
            });
        },
        [](const unsigned char*, std::size_t) { return S_OK; });
}

HRESULT RenderXpsToPdf(int packageFd, const PdfSink& sink)
{
    return RunInRenderProcess([packageFd](const PdfSink& toParent) { return TranslateXpsToPdf(packageFd, toParent); },
                              sink);
}
