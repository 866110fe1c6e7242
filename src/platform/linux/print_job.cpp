#include "print_job.h"

#include <chrono>
#include <utility>

#include "print_status.h"
#include "xps_package.h"

namespace {

// IPP notifications do not reliably deliver the end of a job, so the job's state is asked for.
constexpr std::chrono::milliseconds kPollInterval{150};

HRESULT LastRequestStatus()
{
    const ipp_status_t status = cupsLastError();
    // A request that never got an answer leaves no IPP error behind: the server went away.
    return status > IPP_STATUS_OK_EVENTS_COMPLETE ? StatusFromIpp(status)
                                                  : HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
}

// The queue and the instance of a name as lp reads it: "queue/instance" or "queue".
std::pair<std::string, std::string> SplitInstance(std::string_view name)
{
    const std::size_t slash = name.rfind('/');
    if (slash == std::string_view::npos)
        return {std::string(name), {}};
    return {std::string(name.substr(0, slash)), std::string(name.substr(slash + 1))};
}

struct JobState {
    bool answered;  // false while the server cannot be asked
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

    const ipp_status_t answer = response ? ippGetStatusCode(response.get()) : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    if (answer == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || answer == IPP_STATUS_ERROR_BUSY ||
        answer == IPP_STATUS_ERROR_TEMPORARY || answer == IPP_STATUS_ERROR_TIMEOUT)
        return {false, false, XPS_JOB_IN_PROGRESS, S_OK};
    if (answer == IPP_STATUS_ERROR_NOT_FOUND)
        return {true, true, XPS_JOB_FAILED, HRESULT_FROM_WIN32(ERROR_NOT_FOUND)};
    if (answer > IPP_STATUS_OK_EVENTS_COMPLETE)
        return {true, true, XPS_JOB_FAILED, StatusFromIpp(answer)};
    // Job-state-reasons do not tell these apart; job-state does.
    switch (ippGetInteger(ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM), 0)) {
    case IPP_JSTATE_COMPLETED:
        return {true, true, XPS_JOB_COMPLETED, S_OK};
    case IPP_JSTATE_CANCELED:
        return {true, true, XPS_JOB_CANCELLED, HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED)};
    case IPP_JSTATE_ABORTED:
        return {true, true, XPS_JOB_FAILED, HRESULT_FROM_WIN32(ERROR_GEN_FAILURE)};
    default:
        // Pending, held, processing or stopped: a paused queue keeps the job, and the caller waits.
        return {true, false, XPS_JOB_IN_PROGRESS, S_OK};
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
    // Create-Job would report as a misleading "No such file or directory". The destination carries
    // the user's saved options for it, which lp would apply.
    Destination destination(cupsGetNamedDest(http.get(), queue.c_str(), instance.empty() ? nullptr : instance.c_str()));
    if (!destination)
        return LastRequestStatus();

    const int id = cupsCreateJob(http.get(), destination->name, title.c_str(), destination->num_options,
                                 destination->options);
    if (id == 0)
        return LastRequestStatus();
    job = std::make_shared<PrintJob>(std::move(http), destination->name, id, title, std::move(completion));
    return S_OK;
}

PrintJob::PrintJob(HttpConnection http, std::string printer, int id, std::string title,
                   std::shared_ptr<Event> completion)
    : m_http(std::move(http)), m_printer(std::move(printer)), m_id(id), m_title(std::move(title)),
      m_completion(std::move(completion))
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

HRESULT PrintJob::SendDocument(SpoolFile& package)
{
    // A job cancelled before its document arrived takes none.
    if (Ended())
        return HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
    const HRESULT status = Stream(package);
    if (status < 0) {
        CancelOnServer();
        End(XPS_JOB_FAILED, status);
        return status;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_following = true;
    }
    m_follower = std::thread(&PrintJob::Follow, this);
    return S_OK;
}

HRESULT PrintJob::Stream(SpoolFile& package)
{
    const HRESULT rewound = package.Rewind();
    if (rewound < 0)
        return rewound;
    if (cupsStartDocument(m_http.get(), m_printer.c_str(), m_id, m_title.c_str(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        return LastRequestStatus();
    const PdfSink intoJob = [this](const unsigned char* data, std::size_t size) {
        const auto* bytes = reinterpret_cast<const char*>(data);
        return cupsWriteRequestData(m_http.get(), bytes, size) == HTTP_STATUS_CONTINUE ? S_OK : LastRequestStatus();
    };
    const HRESULT rendered = RenderXpsToPdf(package.Descriptor(), intoJob);
    if (rendered < 0) {
        // Finishing the request would hand the server a partial document: drop the connection instead.
        m_http.reset();
        return rendered;
    }
    if (cupsFinishDocument(m_http.get(), m_printer.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return LastRequestStatus();
    return S_OK;
}

void PrintJob::Cancel()
{
    CancelOnServer();
    // A followed job ends when the server says it has; one without its document ends here.
    bool following;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        following = m_following;
    }
    if (!following)
        End(XPS_JOB_CANCELLED, HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED));
}

void PrintJob::CancelOnServer()
{
    // A connection of its own: the job's may be mid-request, or gone.
    HttpConnection http = ConnectToPrintServer();
    if (http)
        cupsCancelJob2(http.get(), m_printer.c_str(), m_id, 0);
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

void PrintJob::Follow()
{
    HttpConnection http;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_wake.wait_for(lock, kPollInterval, [this] { return m_stopping; }))
                return;
        }
        // A server that went away keeps the job and runs it again once back: keep asking until it answers.
        if (!http)
            http = ConnectToPrintServer();
        if (!http)
            continue;
        const JobState state = AskJobState(http.get(), m_id);
        if (!state.answered) {
            http.reset();
        } else if (state.ended) {
            End(state.completion, state.status);
            return;
        }
    }
}
