// Stands in for the XPS Print API (xpsprint.dll). Accepts jobs for the configured printer only,
// keeps the bytes that reach the document stream, and ends the job the configured way once the
// stream is closed: from a thread of its own, as the print service does.
#include <atomic>
#include <memory>
#include <string>

#include <windows.h>
#include <objbase.h>
#include <initguid.h>
#include <xpsprint.h>

#include "platform/com_object.h"
#include "standin.h"

namespace {

XPS_JOB_STATUS ConfiguredOutcome()
{
    const std::wstring completion = Setting(L"outcome", L"completed");
    XPS_JOB_STATUS status{};
    status.completion = completion == L"failed"      ? XPS_JOB_FAILED
                        : completion == L"cancelled" ? XPS_JOB_CANCELLED
                                                     : XPS_JOB_COMPLETED;
    status.jobStatus = IntegerSetting(L"jobStatus", S_OK);
    return status;
}

// The job as the print service sees it. Shared by the job object, the document stream and the
// thread that ends the job, since any of them may be the last to let go.
class PrintJob {
public:
    explicit PrintJob(HANDLE completionEvent) : m_completionEvent(nullptr), m_outcome(ConfiguredOutcome())
    {
        // The service keeps its own handle: the caller may close its one as soon as the wait is over.
        DuplicateHandle(GetCurrentProcess(), completionEvent, GetCurrentProcess(), &m_completionEvent, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    }
    ~PrintJob()
    {
        if (m_completionEvent != nullptr)
            CloseHandle(m_completionEvent);
    }

    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    void End()
    {
        Record({L"JobEnded"});
        m_ended = true;
        SetEvent(m_completionEvent);
    }

    XPS_JOB_STATUS Status() const
    {
        XPS_JOB_STATUS status{};
        status.completion = XPS_JOB_IN_PROGRESS;
        return m_ended ? m_outcome : status;
    }

private:
    HANDLE m_completionEvent;
    const XPS_JOB_STATUS m_outcome;
    std::atomic<bool> m_ended{false};
};

DWORD WINAPI EndJob(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<PrintJob>> job(static_cast<std::shared_ptr<PrintJob>*>(parameter));
    (*job)->End();
    return 0;
}

class JobObject : public ComObject<IXpsPrintJob, IID_IXpsPrintJob> {
public:
    explicit JobObject(std::shared_ptr<PrintJob> job) : m_job(std::move(job)) {}
    ~JobObject() override { Record({L"ReleaseJob"}); }

    HRESULT STDMETHODCALLTYPE Cancel() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetJobStatus(XPS_JOB_STATUS* status) override
    {
        Record({L"GetJobStatus"});
        if (status == nullptr)
            return E_POINTER;
        *status = m_job->Status();
        return S_OK;
    }

private:
    std::shared_ptr<PrintJob> m_job;
};

class DocumentStream : public ComObject<IXpsPrintJobStream, IID_IXpsPrintJobStream, IID_ISequentialStream> {
public:
    explicit DocumentStream(std::shared_ptr<PrintJob> job) : m_job(std::move(job)) {}
    ~DocumentStream() override { Record({L"ReleaseStream"}); }

    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* bytes, ULONG count, ULONG* written) override
    {
        if (m_closed)
            return E_UNEXPECTED;
        RecordStreamBytes(bytes, count);
        if (written != nullptr)
            *written = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        Record({L"Close"});
        if (m_closed)
            return E_UNEXPECTED;
        m_closed = true;
        auto job = std::make_unique<std::shared_ptr<PrintJob>>(m_job);
        const HANDLE thread = CreateThread(nullptr, 0, EndJob, job.get(), 0, nullptr);
        if (thread == nullptr)
            return HRESULT_FROM_WIN32(GetLastError());
        job.release();  // the thread's now
        CloseHandle(thread);
        return S_OK;
    }

private:
    std::shared_ptr<PrintJob> m_job;
    bool m_closed = false;
};

}  // namespace

extern "C" HRESULT WINAPI StartXpsPrintJob(LPCWSTR printerName, LPCWSTR jobName, LPCWSTR, HANDLE, HANDLE completionEvent,
                                           UINT8*, UINT32, IXpsPrintJob** xpsPrintJob,
                                           IXpsPrintJobStream** documentStream, IXpsPrintJobStream**)
{
    Record({L"StartXpsPrintJob", printerName, jobName});
    if (printerName == nullptr || Setting(L"printer", L"") != printerName)
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
    if (documentStream == nullptr)
        return E_POINTER;

    const auto job = std::make_shared<PrintJob>(completionEvent);
    *documentStream = new DocumentStream(job);
    if (xpsPrintJob != nullptr)
        *xpsPrintJob = new JobObject(job);
    return S_OK;
}
