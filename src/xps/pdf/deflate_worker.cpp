#include "xps/pdf/deflate_worker.h"

#include <optional>
#include <system_error>
#include <utility>

#include "xps/document_failure.h"
#include "xps/pdf/pdf_deflate.h"

DeflateWorker::~DeflateWorker()
{
    if (!m_thread.joinable())
        return;
    m_output.Stop();
    m_input.Close();
    m_thread.join();
}

void DeflateWorker::Start(std::string data)
{
    if (m_begun)
        ThrowDocument(E_FAIL);
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread(&DeflateWorker::Run, this);
        } catch (const std::system_error&) {
            ThrowDocument(E_OUTOFMEMORY);
        }
    }
    // Room, as what was begun before was taken; once the deflater has failed, Take rethrows it.
    m_input.Put(std::move(data));
    m_begun = true;
}

std::string DeflateWorker::Take()
{
    if (!std::exchange(m_begun, false))
        ThrowDocument(E_FAIL);
    std::optional<std::string> output = m_output.Take();
    if (!output)
        ThrowDocument(E_UNEXPECTED);
    return std::move(*output);
}

void DeflateWorker::Run()
{
    try {
        Deflater deflater(kContentDeflateLevel);
        while (std::optional<std::string> input = m_input.Take()) {
            if (!m_output.Put(deflater.Deflate(*input)))
                return;
        }
    } catch (...) {
        m_output.Close(std::current_exception());
        m_input.Stop();
    }
}
