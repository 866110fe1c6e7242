// The XPS print service: StartXpsPrintJob, the job's document stream and the job object.
#include <memory>
#include <string>
#include <utility>

#include "platform/linux/com.h"
#include "platform/linux/print/job_name.h"
#include "platform/linux/print/print_job.h"
#include "platform/linux/print/print_status.h"
#include "platform/linux/rendered_pdf.h"
#include "platform/linux/spool_file.h"
#include "platform/linux/startup.h"

namespace {

class XpsPrintJob final : public ComObject<IXpsPrintJob, IID_IXpsPrintJob> {
public:
    explicit XpsPrintJob(std::shared_ptr<PrintJob> job) : m_job(std::move(job)) {}

    HRESULT STDMETHODCALLTYPE Cancel() override
    {
        m_job->Cancel();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetJobStatus(XPS_JOB_STATUS* jobStatus) override
    {
        if (jobStatus == nullptr)
            return E_POINTER;
        *jobStatus = m_job->Status();
        return S_OK;
    }

private:
    const std::shared_ptr<PrintJob> m_job;
};

// Takes a loaded package's PDF, or the bytes of a package written to it, and prints it when closed.
// Released without Close, the job ends cancelled without ever reaching the server.
class XpsPrintJobStream final : public ComObject<IRenderedPdfStream, IID_IXpsPrintJobStream, IID_ISequentialStream,
                                                 IID_IRenderedPdfStream> {
public:
    XpsPrintJobStream(std::shared_ptr<PrintJob> job, std::unique_ptr<SpoolFile> spool)
        : m_job(std::move(job)), m_spool(std::move(spool))
    {
    }

    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG* read) override
    {
        if (read != nullptr)
            *read = 0;
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override
    {
        if (written != nullptr)
            *written = 0;
        if (data == nullptr && size > 0)
            return E_POINTER;
        if (m_closed || m_pdf)
            return E_UNEXPECTED;
        const HRESULT status = m_spool->Write(data, size);
        if (status >= 0 && written != nullptr)
            *written = size;
        return status;
    }

    HRESULT STDMETHODCALLTYPE WriteRenderedPdf(std::shared_ptr<const RenderedPdf> pdf) override
    {
        if (m_closed || m_pdf)
            return E_UNEXPECTED;
        m_pdf = std::move(pdf);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Close() override
    {
        if (m_closed)
            return E_UNEXPECTED;
        // A job cancelled before its document was sent never has its document loaded.
        if (!m_pdf && !m_job->Ended()) {
            if (const HRESULT loaded = LoadSpooled(); loaded < 0) {
                auto failed = std::make_shared<RenderedPdf>();
                failed->status = loaded;
                m_pdf = std::move(failed);
            }
        }
        m_closed = true;
        return m_job->SendDocument(m_pdf);
    }

private:
    ~XpsPrintJobStream() override
    {
        if (!m_closed)
            m_job->Cancel();
    }

    // Bytes written to the stream are a package like any other, loaded by the document service.
    HRESULT LoadSpooled()
    {
        ComReference<IXpsOMObjectFactory> factory;
        if (const HRESULT created = CreateXpsOMObjectFactory(IID_IXpsOMObjectFactory, factory.OutVoid()); created < 0)
            return created;
        const std::wstring path = L"/proc/self/fd/" + std::to_wstring(m_spool->Descriptor());
        ComReference<IXpsOMPackage> package;
        if (const HRESULT loaded = factory->CreatePackageFromFile(path.c_str(), FALSE, package.Out()); loaded < 0)
            return loaded;
        return package->WriteToStream(this, FALSE);
    }

    const std::shared_ptr<PrintJob> m_job;
    const std::unique_ptr<SpoolFile> m_spool;
    std::shared_ptr<const RenderedPdf> m_pdf;
    bool m_closed = false;
};

}  // namespace

extern "C" HRESULT StartXpsPrintJob(LPCWSTR printerName, LPCWSTR jobName, LPCWSTR outputFileName,
                                    HANDLE progressEvent, HANDLE completionEvent, UINT8* printablePagesOn,
                                    UINT32 printablePagesOnCount, IXpsPrintJob** xpsPrintJob,
                                    IXpsPrintJobStream** documentStream, IXpsPrintJobStream** printTicketStream)
{
    if (xpsPrintJob != nullptr)
        *xpsPrintJob = nullptr;
    if (documentStream != nullptr)
        *documentStream = nullptr;
    if (printTicketStream != nullptr)
        *printTicketStream = nullptr;
    if (printerName == nullptr || documentStream == nullptr)
        return E_INVALIDARG;
    // Printing to a file, progress reports, page selection and print tickets are not offered here.
    if (outputFileName != nullptr || progressEvent != nullptr || printablePagesOn != nullptr ||
        printablePagesOnCount != 0 || printTicketStream != nullptr)
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);

    std::shared_ptr<Event> completion;
    if (completionEvent != nullptr) {
        completion = ReferenceEvent(completionEvent);
        if (!completion)
            return HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    }
    const std::optional<std::string> printer = BytesFromWide(printerName);
    if (!printer)
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
    const std::string title = CleanJobName(BytesFromWide(jobName != nullptr ? jobName : L"").value_or(""));

    // The spool file for bytes written to the stream comes first: a temporary folder that cannot take the
    // document fails before the server is asked anything.
    auto spool = std::make_unique<SpoolFile>();
    const HRESULT opened = spool->Open();
    if (opened < 0)
        return opened;
    std::shared_ptr<PrintJob> job;
    const HRESULT created = PrintJob::Create(*printer, title, std::move(completion), job);
    if (created < 0)
        return created;

    if (xpsPrintJob != nullptr)
        *xpsPrintJob = new XpsPrintJob(job);
    *documentStream = new XpsPrintJobStream(std::move(job), std::move(spool));
    return S_OK;
}
