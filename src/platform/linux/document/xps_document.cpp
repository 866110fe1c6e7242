// The XPS document service: the object factory that loads a package from a file, translating it as it
// goes, and the package that writes itself into a stream: a job's, as its PDF, any other, as its bytes.
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/linux/com.h"
#include "platform/linux/fd_io.h"
#include "platform/linux/open_document.h"
#include "platform/linux/rendered_pdf.h"
#include "platform/linux/startup.h"
#include "platform/linux/statuses.h"
#include "platform/linux/unique_fd.h"

namespace {

constexpr std::size_t kCopyChunkSize = 64 * 1024;

// Translates the package as loading it reads it, into a private temporary file where the PDF waits for
// its job. Returns what loading found wrong; what drawing found wrong waits in the PDF for the job.
HRESULT Load(int packageFd, std::shared_ptr<const RenderedPdf>& rendered)
{
    auto pdf = std::make_shared<RenderedPdf>();
    if (const HRESULT status = RenderPdf(packageFd, *pdf); status != S_OK)
        return status;
    rendered = std::move(pdf);
    return S_OK;
}

class XpsOMPackage final : public ComObject<IXpsOMPackage, IID_IXpsOMPackage> {
public:
    XpsOMPackage(UniqueFd file, std::shared_ptr<const RenderedPdf> pdf) : m_file(std::move(file)), m_pdf(std::move(pdf))
    {
    }

    // Any other stream gets the bytes of the package's file, so markup is never rewritten.
    HRESULT STDMETHODCALLTYPE WriteToStream(ISequentialStream* stream, BOOL) override
    {
        if (stream == nullptr)
            return E_POINTER;
        ComReference<IRenderedPdfStream> job;
        if (stream->QueryInterface(IID_IRenderedPdfStream, job.OutVoid()) == S_OK)
            return job->WriteRenderedPdf(m_pdf);
        std::vector<unsigned char> chunk(kCopyChunkSize);
        for (off_t offset = 0;;) {
            const ssize_t read = ReadSomeAt(m_file.Get(), chunk.data(), chunk.size(), offset);
            if (read < 0)
                return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
            if (read == 0)
                return S_OK;
            ULONG written = 0;
            if (const HRESULT status = stream->Write(chunk.data(), static_cast<ULONG>(read), &written); status < 0)
                return status;
            if (written != static_cast<ULONG>(read))
                return STG_E_WRITEFAULT;
            offset += read;
        }
    }

private:
    UniqueFd m_file;
    std::shared_ptr<const RenderedPdf> m_pdf;
};

class XpsOMObjectFactory final : public ComObject<IXpsOMObjectFactory, IID_IXpsOMObjectFactory> {
public:
    // Reads the whole package, as Windows does without object reuse, so that a bad package fails here.
    HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR filename, BOOL, IXpsOMPackage** package) override
    {
        if (package == nullptr)
            return E_POINTER;
        *package = nullptr;
        if (filename == nullptr)
            return E_POINTER;
        const std::optional<std::string> path = BytesFromWide(filename);
        if (!path)
            return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        UniqueFd file;
        if (const HRESULT opened = OpenDocument(*path, file); opened != S_OK)
            return opened;

        std::shared_ptr<const RenderedPdf> pdf;
        if (const HRESULT status = Load(file.Get(), pdf); status != S_OK)
            return status;
        *package = new XpsOMPackage(std::move(file), std::move(pdf));
        return S_OK;
    }
};

}  // namespace

HRESULT CreateXpsOMObjectFactory(REFIID riid, void** object)
{
    auto* factory = new XpsOMObjectFactory;
    const HRESULT status = factory->QueryInterface(riid, object);
    factory->Release();
    return status;
}
