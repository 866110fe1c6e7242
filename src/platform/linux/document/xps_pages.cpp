// Loading an XPS package with libgxps, behind the checks that keep a hostile package from reaching it.
#include "xps_pages.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "document_status.h"
#include "image_bounds.h"
#include "markup_depth.h"
#include "markup_text.h"
#include "page_runs.h"
#include "plain_package.h"
#include "spool_file.h"
#include "zip_directory.h"

namespace {

// The largest page PDF allows, 14400 points, in XPS units.
constexpr double kMaxPageSide = 14400.0 * 96.0 / 72.0;

enum class LoadStage { Sequence, Document, Page };

HRESULT StatusFromLoadError(const GError* error, LoadStage stage)
{
    if (error->domain == G_MARKUP_ERROR || error->domain == GXPS_PAGE_ERROR)
        return XPS_E_INVALID_MARKUP;
    if (g_error_matches(error, GXPS_ERROR, GXPS_ERROR_SOURCE_NOT_FOUND)) {
        switch (stage) {
        case LoadStage::Sequence:
            return XPS_E_MISSING_RELATIONSHIP_TARGET;
        case LoadStage::Document:
            return XPS_E_MISSING_REFERRED_DOCUMENT;
        case LoadStage::Page:
            return XPS_E_MISSING_REFERRED_PAGE;
        }
    }
    // libgxps tells a sequence without documents from one it cannot find only in its message.
    if (error->domain == GXPS_FILE_ERROR)
        return std::strstr(error->message, "no documents") != nullptr ? XPS_E_MISSING_DOCUMENT
                                                                      : XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP;
    if (error->domain == G_IO_ERROR)
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    return E_FAIL;
}

// Every part inflates to what its header says, within the bounds, no image claims more pixels than can
// be decoded, no markup nests deeper than libgxps can draw in bounded memory, and the package has the
// content types and the relationships an XPS package starts from.
// utf16 tells, of each part, whether it is markup in UTF-16.
HRESULT CheckPackageZip(int fd, ZipDirectory& directory, std::vector<bool>& utf16)
{
    if (const HRESULT status = directory.Read(fd); status != S_OK)
        return status;
    for (const ZipPart& part : directory.Parts()) {
        // Any part may be drawn as an image or read as markup, whatever its name says.
        ImageBounds image;
        MarkupDepth depth;
        MarkupText markup([&depth](const unsigned char* data, std::size_t size) { return depth.Feed(data, size); });
        const ZipDataSink check = [&](const unsigned char* data, std::size_t size) {
            const HRESULT status = image.Feed(data, size);
            return status != S_OK ? status : markup.Feed(data, size);
        };
        if (const HRESULT status = InflateZipPart(fd, part, check); status != S_OK)
            return status;
        if (const HRESULT status = image.Finish(); status != S_OK)
            return status;
        if (const HRESULT status = markup.Finish(); status != S_OK)
            return status;
        utf16.push_back(markup.Utf16());
    }
    if (directory.FindPart("[Content_Types].xml") == nullptr)
        return OPC_E_MISSING_CONTENT_TYPES;
    if (directory.FindPart("_rels/.rels") == nullptr)
        return XPS_E_MISSING_DOCUMENTSEQUENCE_RELATIONSHIP;
    return S_OK;
}

void DiscardLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

HRESULT ForEachXpsPage(int packageFd, const XpsPageVisitor& visit)
{
    // The tool's standard error carries one line per failure; libgxps's warnings about markup it
    // passes over would add more.
    static std::once_flag quiet;
    std::call_once(quiet, [] { g_log_set_default_handler(DiscardLog, nullptr); });

    ZipDirectory directory;
    std::vector<bool> utf16;
    if (const HRESULT status = CheckPackageZip(packageFd, directory, utf16); status != S_OK)
        return status;
    SpoolFile plain;
    if (!IsPlainPackage(directory, utf16)) {
        if (const HRESULT status = plain.Open(); status != S_OK)
            return status;
        if (const HRESULT status = WritePlainPackage(packageFd, directory, utf16, plain.Descriptor()); status != S_OK)
            return status;
        packageFd = plain.Descriptor();
    }

    // libgxps opens the package by name for every part it reads; this name is the open file itself,
    // whatever has happened to its path meanwhile.
    const std::string name = "/proc/self/fd/" + std::to_string(packageFd);
    GObjectRef<GFile> location(g_file_new_for_path(name.c_str()));
    GErrorRef fileError;
    GObjectRef<GXPSFile> file(gxps_file_new(location.get(), fileError.Out()));
    if (!file)
        return StatusFromLoadError(fileError.Get(), LoadStage::Sequence);

    PageRuns runs;
    runs.Plan(packageFd);
    const guint documents = gxps_file_get_n_documents(file.get());
    for (guint d = 0; d < documents; ++d) {
        GErrorRef documentError;
        GObjectRef<GXPSDocument> document(gxps_file_get_document(file.get(), d, documentError.Out()));
        if (!document)
            return StatusFromLoadError(documentError.Get(), LoadStage::Document);
        const guint pages = gxps_document_get_n_pages(document.get());
        if (pages == 0)
            return XPS_E_MISSING_PAGE_IN_DOCUMENT;
        const HRESULT status = runs.ForEachPage(packageFd, d, document.get(), [&](GXPSDocument* holder, guint p,
                                                                                 const PlacedPicture* picture) {
            GErrorRef pageError;
            GObjectRef<GXPSPage> page(gxps_document_get_page(holder, p, pageError.Out()));
            if (!page)
                return StatusFromLoadError(pageError.Get(), LoadStage::Page);
            double width = 0;
            double height = 0;
            gxps_page_get_size(page.get(), &width, &height);
            // Written this way round, NaN fails too.
            if (!(width > 0 && height > 0 && width <= kMaxPageSide && height <= kMaxPageSide))
                return XPS_E_INVALID_PAGE_SIZE;
            return visit(std::move(page), width, height, picture);
        });
        if (status != S_OK)
            return status;
    }
    return documents == 0 ? XPS_E_MISSING_DOCUMENT : S_OK;
}

HRESULT StatusFromRenderError(const GError* error)
{
    if (error->domain == G_MARKUP_ERROR)
        return XPS_E_INVALID_MARKUP;
    // libgxps folds the cause of a failed render into the message of one error code.
    const char* message = error->message;
    if (std::strstr(message, "not found in archive") != nullptr)
        return XPS_E_MISSING_PART_REFERENCE;
    if (std::strstr(message, "font") != nullptr)
        return DWRITE_E_FILEFORMAT;
    if (std::strstr(message, "image") != nullptr)
        return WINCODEC_ERR_BADIMAGE;
    return XPS_E_INVALID_MARKUP;
}
