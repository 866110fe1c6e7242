// A job on the print server, from its creation until it ends, and the layer's thread that follows it.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform.h"
#include "platform/linux/kernel.h"
#include "platform/linux/print/cups_connection.h"
#include "platform/linux/rendered_pdf.h"

// The server holds the job only together with its whole document: it is created by the one request
// that carries the document, which the server drops unless it arrives whole. A job is never left
// waiting for a document, whatever happens to the server or to this process meanwhile.
class PrintJob {
public:
    // Finds the destination printerName names ("queue" or "queue/instance", with the user's saved
    // options for it), where the job named title will be created once its document is sent. The
    // completion event, which may be null, is signalled once the job has ended.
    static HRESULT Create(std::string_view printerName, const std::string& title, std::shared_ptr<Event> completion,
                          std::shared_ptr<PrintJob>& job);

    PrintJob(Destination destination, std::string title, std::shared_ptr<Event> completion);
    // Stops following the job; returns once the follower has ended.
    ~PrintJob();

    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    // Creates the job on the server with the PDF, then follows the job until it ends. A PDF that could not
    // be made whole fails the job with its status; on failure there is no job and this one ends failed
    // with the status returned. pdf may be null only once the job has ended.
    HRESULT SendDocument(const std::shared_ptr<const RenderedPdf>& pdf);
    bool Ended() const;
    // Cancels the job; one already on the server is cancelled there and ends when the server says so.
    void Cancel();
    XPS_JOB_STATUS Status() const;

private:
    // Records how the job ended, once, and signals the completion event.
    void End(XPS_JOB_COMPLETION completion, HRESULT status);
    // The new job's id. The request that creates the job carries the document's length, and the
    // attributes its print settings ask for.
    HRESULT Send(const RenderedPdf& document, int& id);
    void CancelOnServer(int id);
    void Follow(int id);

    const Destination m_destination;
    const std::string m_title;
    const std::shared_ptr<Event> m_completion;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_id = 0;  // once the server has the job
    XPS_JOB_COMPLETION m_state = XPS_JOB_IN_PROGRESS;
    HRESULT m_status = S_OK;
    bool m_stopping = false;
    std::thread m_follower;
};
