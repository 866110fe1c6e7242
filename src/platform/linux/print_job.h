// A job on the print server, from its creation until it ends, and the layer's thread that follows it.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "cups_connection.h"
#include "kernel.h"
#include "platform.h"
#include "spool_file.h"

class PrintJob {
public:
    // Finds the destination printerName names ("queue" or "queue/instance", with the user's saved
    // options for it) and creates a job there named title, with no document yet. The completion
    // event, which may be null, is signalled once the job has ended.
    static HRESULT Create(std::string_view printerName, const std::string& title, std::shared_ptr<Event> completion,
                          std::shared_ptr<PrintJob>& job);

    PrintJob(HttpConnection http, std::string printer, int id, std::string title, std::shared_ptr<Event> completion);
    // Stops following the job; returns once the follower has ended.
    ~PrintJob();

    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Renders the XPS package spooled in the file to PDF straight into the job as its one document,
    // then follows the job until it ends. On failure the job is cancelled and ends failed with the
    // status returned.
    HRESULT SendDocument(SpoolFile& package);
    // Cancels the job on the server; it ends cancelled.
    void Cancel();
    XPS_JOB_STATUS Status() const;

private:
    bool Ended() const;
    // Records how the job ended, once, and signals the completion event.
    void End(XPS_JOB_COMPLETION completion, HRESULT status);
    HRESULT Stream(SpoolFile& package);
    void CancelOnServer();
    void Follow();

    HttpConnection m_http;
    const std::string m_printer;
    const int m_id;
    const std::string m_title;
    const std::shared_ptr<Event> m_completion;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    XPS_JOB_COMPLETION m_state = XPS_JOB_IN_PROGRESS;
    HRESULT m_status = S_OK;
    bool m_following = false;
    bool m_stopping = false;
    std::thread m_follower;
};
