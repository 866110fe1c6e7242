// Rendering an XPS package to vector PDF, page by page, with libgxps on a cairo PDF surface.
#include <cairo-pdf.h>

#include <optional>
#include <string>

#include "document_status.h"
#include "gobject_owner.h"
#include "jpeg_picture.h"
#include "render_process.h"
#include "xps_package.h"
#include "xps_pages.h"
#include "zip_directory.h"

namespace {

constexpr double kPointsPerXpsUnit = 72.0 / 96.0;

// Owner of the PDF surface, writing into the sink. A document given up before Finish writes nothing
// more: cairo would otherwise complete it into the sink as the surface goes.
class PdfDocument {
public:
    explicit PdfDocument(const PdfSink& sink)
        : m_sink(sink), m_surface(cairo_pdf_surface_create_for_stream(Write, this, 612, 792))
    {
    }
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;
    ~PdfDocument()
    {
        m_closed = true;
        cairo_surface_destroy(m_surface);
    }

    cairo_surface_t* Surface() const noexcept { return m_surface; }

    HRESULT Status(cairo_status_t status) const
    {
        switch (status) {
        case CAIRO_STATUS_SUCCESS:
            return S_OK;
        case CAIRO_STATUS_WRITE_ERROR:
            return m_sinkStatus < 0 ? m_sinkStatus : STG_E_WRITEFAULT;
        case CAIRO_STATUS_NO_MEMORY:
            return E_OUTOFMEMORY;
        default:
            // What cairo refuses to draw is what the markup asked of it: a singular transform, say.
            return XPS_E_INVALID_MARKUP;
        }
    }

    HRESULT Finish()
    {
        cairo_surface_finish(m_surface);
        return Status(cairo_surface_status(m_surface));
    }

private:
    static cairo_status_t Write(void* closure, const unsigned char* data, unsigned int size)
    {
        auto* document = static_cast<PdfDocument*>(closure);
        if (document->m_closed || document->m_sinkStatus < 0)
            return CAIRO_STATUS_WRITE_ERROR;
        document->m_sinkStatus = document->m_sink(data, size);
        return document->m_sinkStatus < 0 ? CAIRO_STATUS_WRITE_ERROR : CAIRO_STATUS_SUCCESS;
    }

    const PdfSink& m_sink;
    HRESULT m_sinkStatus = S_OK;
    bool m_closed = false;
    cairo_surface_t* m_surface;
};

// Owner of a drawing context on one page.
class CairoContext {
public:
    explicit CairoContext(cairo_surface_t* surface) : m_context(cairo_create(surface)) {}
    CairoContext(const CairoContext&) = delete;
    CairoContext& operator=(const CairoContext&) = delete;
    ~CairoContext() { cairo_destroy(m_context); }

    cairo_t* Get() const noexcept { return m_context; }

private:
    cairo_t* m_context;
};

HRESULT RenderInThisProcess(int packageFd, const PdfSink& sink)
{
    PdfDocument pdf(sink);
    if (const HRESULT status = pdf.Status(cairo_surface_status(pdf.Surface())); status != S_OK)
        return status;
    const HRESULT status = ForEachXpsPage(packageFd, [&](GObjectRef<GXPSPage> page, double width, double height,
                                                         const PlacedPicture* placed) {
        // Lives until the page is written out: cairo writes the picture's JPEG then.
        std::optional<JpegPicture> picture;
        cairo_pdf_surface_set_size(pdf.Surface(), width * kPointsPerXpsUnit, height * kPointsPerXpsUnit);
        CairoContext context(pdf.Surface());
        cairo_scale(context.Get(), kPointsPerXpsUnit, kPointsPerXpsUnit);
        // Under the rest of the page, as it comes first.
        if (placed != nullptr) {
            std::string jpeg;
            if (const HRESULT read = ReadZipEntry(placed->package, *placed->part, jpeg); read != S_OK)
                return read;
            picture.emplace(std::move(jpeg), *placed).Draw(context.Get());
        }
        GErrorRef error;
        if (!gxps_page_render(page.get(), context.Get(), error.Out()))
            return StatusFromRenderError(error.Get());
        // cairo holds a copy of every picture drawn until the page is written out, which takes as much
        // memory again: libgxps's decoded pictures go first.
        page.reset();
        cairo_show_page(context.Get());
        if (const HRESULT drawn = pdf.Status(cairo_status(context.Get())); drawn != S_OK)
            return drawn;
        return pdf.Status(cairo_surface_status(pdf.Surface()));
    });
    if (status != S_OK)
        return status;
    return pdf.Finish();
}

}  // namespace

HRESULT RenderXpsToPdf(int packageFd, const PdfSink& sink)
{
    return RunInRenderProcess([packageFd](const PdfSink& toParent) { return RenderInThisProcess(packageFd, toParent); },
                              sink);
}
