#include "platform/linux/print/print_job.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/print/job_settings.h"
#include "platform/linux/print/print_status.h"

namespace {

// IPP notifications do not reliably deliver the end of a job, so the job's state is asked for: soon
// at first, as a short job ends within milliseconds, then less often, up to a few times a second.
constexpr std::chrono::milliseconds kFirstPoll{10};
constexpr std::chrono::milliseconds kPollInterval{150};
// A server that comes back (a restart, an upgrade) is waited for; one unreachable this long is taken for
// dead, so that no script hangs on it. The job, should the server ever return, is the server's to finish.
constexpr std::chrono::seconds kUnreachableLimit{60};
constexpr std::size_t kSendBlock = 64u << 10;

HRESULT LastRequestStatus()
{
    const ipp_status_t status = cupsLastError();
    // A request that never got an answer leaves no IPP error behind: the server went away.
    return status > IPP_STATUS_OK_EVENTS_COMPLETE ? StatusFromIpp(status)
                                                  : HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
}

// A request that the connection failed under: the server went away, whatever libcups made of it.
HRESULT RequestStatus(http_t* http)
{
    return httpError(http) != 0 ? HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) : LastRequestStatus();
}

// The queue and the instance of a name as lp reads it: "queue/instance" or "queue".
std::pair<std::string, std::string> SplitInstance(std::string_view name)
{
    const std::size_t slash = name.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string(name), {}};
    return {std::string(name.substr(0, slash)), std::string(name.substr(slash + 1))};
}

// The printer's URI, and the resource to post to, escaped by libcups.
void PrinterUri(const char* name, char (&uri)[HTTP_MAX_URI], char (&resource)[HTTP_MAX_URI])
{
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                     name);
    char scheme[32];
    char user[256];
    char host[256];
    int port = 0;
    httpSeparateURI(HTTP_URI_CODING_NONE, uri, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &port,
                    resource, sizeof resource);
}

struct JobState {
    bool reached;   // the server gave an answer of any kind
    bool answered;  // false while the server cannot be asked, or is too busy to say
    bool ended;
    XPS_JOB_COMPLETION completion;
    HRESULT status;
};

JobState AskJobState(http_t* http, int id)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/jobs/%d", id);
    static const char* const kAttributes[] = {"job-state"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 1, nullptr, kAttributes);
    const IppMessage response(cupsDoRequest(http, request, "/jobs/"));

    if (!response)
        return {false, false, false, XPS_JOB_IN_PROGRESS, S_OK};
    const ipp_status_t answer = ippGetStatusCode(response.get());
    if (answer == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || answer == IPP_STATUS_ERROR_BUSY ||
        answer == IPP_STATUS_ERROR_TEMPORARY || answer == IPP_STATUS_ERROR_TIMEOUT)
        return {true, false, false, XPS_JOB_IN_PROGRESS, S_OK};
    if (answer == IPP_STATUS_ERROR_NOT_FOUND)
        return {true, true, true, XPS_JOB_FAILED, HRESULT_FROM_WIN32(ERROR_NOT_FOUND)};
    if (answer > IPP_STATUS_OK_EVENTS_COMPLETE)
        return {true, true, true, XPS_JOB_FAILED, StatusFromIpp(answer)};
    // Job-state-reasons do not tell these apart; job-state does.
    switch (ippGetInteger(ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM), 0)) {
    case IPP_JSTATE_COMPLETED:
        return {true, true, true, XPS_JOB_COMPLETED, S_OK};
    case IPP_JSTATE_CANCELED:
        return {true, true, true, XPS_JOB_CANCELLED, HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED)};
    case IPP_JSTATE_ABORTED:
        return {true, true, true, XPS_JOB_FAILED, HRESULT_FROM_WIN32(ERROR_GEN_FAILURE)};
    default:
        // Pending, held, processing or stopped: a paused queue keeps the job, and the caller waits.
        return {true, true, false, XPS_JOB_IN_PROGRESS, S_OK};
    }
}

}  // namespace

HRESULT PrintJob::Create(std::string_view printerName, const std::string& title, std::shared_ptr<Event> completion,
                         std::shared_ptr<PrintJob>& job)
{
    // libcups would take an empty name for the user's default printer, which is not what was named.
    const auto [queue, instance] = SplitInstance(printerName);
    if (queue.empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);

    HttpConnection http = ConnectToPrintServer();
    if (!http)
        return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    // Asking for the destination first tells an unknown name (0x0406) from other failures, which
    // the job's creation would report as a misleading "No such file or directory". The destination
    // carries the user's saved options for it, which lp would apply.
    Destination destination(cupsGetNamedDest(http.get(), queue.c_str(), instance.empty() ? nullptr : instance.c_str()));
    if (!destination)
        return LastRequestStatus();
    // A queue that refuses jobs is known now, before the document is read.
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", destination->num_options, destination->options);
    if (accepting != nullptr && std::strcmp(accepting, "false") == 0)
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_STATE);
    // Among the options, since encoding them adds a format of its own where they name none.
    destination->num_options = cupsAddOption("document-format", CUPS_FORMAT_PDF, destination->num_options,
                                             &destination->options);
    job = std::make_shared<PrintJob>(std::move(destination), title, std::move(completion));
    return S_OK;
}

PrintJob::PrintJob(Destination destination, std::string title, std::shared_ptr<Event> completion)
    : m_destination(std::move(destination)), m_title(std::move(title)), m_completion(std::move(completion))
{
}

PrintJob::~PrintJob()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_follower.joinable())
        m_follower.join();
}

HRESULT PrintJob::SendDocument(const std::shared_ptr<const RenderedPdf>& pdf)
{
    // A job cancelled before its document was sent is never created.
    if (Ended())
        return HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
    int id = 0;
    HRESULT status = pdf->status;
    if (status >= 0)
        status = Send(*pdf, id);
    if (status < 0) {
        End(XPS_JOB_FAILED, status);
        return status;
    }
    bool cancelled;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_id = id;
        cancelled = m_state != XPS_JOB_IN_PROGRESS;
    }
    // Cancelled while the document was on its way: the job the server just made goes too.
    if (cancelled) {
        CancelOnServer(id);
        return HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
    }
    m_follower = std::thread(&PrintJob::Follow, this, id);
    return S_OK;
}

HRESULT PrintJob::Send(const RenderedPdf& document, int& id)
{
    // A connection of its own: the server may have closed an idle one, or restarted, since the job's
    // destination was found.
    HttpConnection http = ConnectToPrintServer();
    if (!http)
        return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    JobOptions options(m_destination->num_options, m_destination->options);
    AddDocumentSettings(http.get(), m_destination.get(), document.settings, options);

    char uri[HTTP_MAX_URI];
    char resource[HTTP_MAX_URI];
    PrinterUri(m_destination->name, uri, resource);
    const IppMessage request(ippNewRequest(IPP_OP_PRINT_JOB));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, m_title.c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, m_title.c_str());
    for (const ipp_tag_t group : {IPP_TAG_OPERATION, IPP_TAG_JOB, IPP_TAG_SUBSCRIPTION})
        cupsEncodeOptions2(request.get(), options.Count(), options.Get(), group);

    const SpoolFile& pdf = document.file;
    // CUPS takes a request sent in chunks that breaks off at the wrong moment for a whole one, and
    // would print part of the document of a sender that died: this request says its length.
    if (cupsSendRequest(http.get(), request.get(), resource, ippLength(request.get()) + pdf.Size()) !=
        HTTP_STATUS_CONTINUE)
        return RequestStatus(http.get());
    std::vector<char> buffer(kSendBlock);
    for (std::size_t offset = 0; offset < pdf.Size();) {
        std::size_t got = 0;
        if (const HRESULT read = pdf.ReadAt(offset, buffer.data(), std::min(buffer.size(), pdf.Size() - offset), got); read < 0)
            return read;
        // The file is the PDF's own: one that shrank under it is no document to send.
        if (got == 0)
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
        if (cupsWriteRequestData(http.get(), buffer.data(), got) != HTTP_STATUS_CONTINUE)
            return RequestStatus(http.get());
        offset += got;
    }
    const IppMessage response(cupsGetResponse(http.get(), resource));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return RequestStatus(http.get());
    id = ippGetInteger(ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER), 0);
    return id > 0 ? S_OK : E_UNEXPECTED;
}

void PrintJob::Cancel()
{
    int id;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        id = m_id;
    }
    // A job on the server ends when the server says it has; one not created yet ends here.
    if (id != 0)
        CancelOnServer(id);
    else
        End(XPS_JOB_CANCELLED, HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
}

void PrintJob::CancelOnServer(int id)
{
    // A connection of its own: the job's may be mid-request, or gone.
    HttpConnection http = ConnectToPrintServer();
    if (http)
        cupsCancelJob2(http.get(), m_destination->name, id, 0);
}

bool PrintJob::Ended() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state != XPS_JOB_IN_PROGRESS;
}

void PrintJob::End(XPS_JOB_COMPLETION completion, HRESULT status)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_state != XPS_JOB_IN_PROGRESS)
            return;
        m_state = completion;
        m_status = status;
    }
    if (m_completion)
        m_completion->Set();
}

XPS_JOB_STATUS PrintJob::Status() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    XPS_JOB_STATUS status{};
    status.jobId = static_cast<UINT32>(m_id);
    status.completion = m_state;
    status.jobStatus = m_status;
    return status;
}

void PrintJob::Follow(int id)
{
    using Clock = std::chrono::steady_clock;
    HttpConnection http;
    Clock::time_point lastReached = Clock::now();
    for (std::chrono::milliseconds wait = kFirstPoll;; wait = std::min(2 * wait, kPollInterval)) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_wake.wait_for(lock, wait, [this] { return m_stopping; }))
                return;
        }
        // A server that went away keeps the job and runs it again once back: keep asking until it answers.
        if (!http)
            http = ConnectToPrintServer();
        if (http) {
            const JobState state = AskJobState(http.get(), id);
            if (state.ended) {
                End(state.completion, state.status);
                return;
            }
            if (state.reached)
                lastReached = Clock::now();
            if (!state.answered)
                http.reset();
        }
        if (Clock::now() - lastReached >= kUnreachableLimit) {
            End(XPS_JOB_FAILED, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE));
            return;
        }
    }
}
