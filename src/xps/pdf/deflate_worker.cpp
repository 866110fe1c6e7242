#include "xps/pdf/deflate_worker.h"

#include <system_error>
#include <utility>

#include "xps/document_failure.h"
#include "xps/pdf/pdf_deflate.h"

DeflateWorker::~DeflateWorker()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void DeflateWorker::Start(std::string data)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_input || m_output || m_failure)
            ThrowDocument(E_FAIL);
        m_input = std::move(data);
    }
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread(&DeflateWorker::Run, this);
        } catch (const std::system_error&) {
            m_input.reset();
            ThrowDocument(E_OUTOFMEMORY);
        }
    }
    m_changed.notify_all();
}

std::string DeflateWorker::Take()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_output || m_failure; });
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    std::string output = std::move(*m_output);
    m_output.reset();
    return output;
}

void DeflateWorker::Run()
{
    std::optional<Deflater> deflater;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_input || m_stopping; });
        if (m_stopping)
            return;
        const std::string input = std::move(*m_input);
        m_input.reset();
        lock.unlock();
        std::string output;
        std::exception_ptr failure;
        try {
            if (!deflater)
                deflater.emplace(kContentDeflateLevel);
            output = deflater->Deflate(input);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure)
            m_failure = failure;
        else
            m_output = std::move(output);
        m_changed.notify_all();
    }
}
