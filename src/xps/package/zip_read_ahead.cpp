#include "xps/package/zip_read_ahead.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Chunks inflated and not yet taken: a quarter of a MiB at most.
constexpr std::size_t kChunksAhead = 4;

// Owner of the inflating thread: stopped and joined however the reader leaves.
class InflatingThread {
public:
    InflatingThread(int fd, const ZipPart& part) : m_thread([this, fd, &part] { Inflate(fd, part); }) {}
    InflatingThread(const InflatingThread&) = delete;
    InflatingThread& operator=(const InflatingThread&) = delete;
    ~InflatingThread()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // The next chunk into chunk; false at the end, with the inflating's status.
    bool Next(std::vector<unsigned char>& chunk, HRESULT& status)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty()) {
            status = m_status;
            return false;
        }
        chunk = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }

private:
    void Inflate(int fd, const ZipPart& part)
    {
        const HRESULT status = InflateZipPart(fd, part, [this](const unsigned char* data, std::size_t size) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kChunksAhead || m_stopped; });
            if (m_stopped)
                return E_FAIL;  // the reader has gone with a status of its own
            m_ready.emplace_back(data, data + size);
            m_changed.notify_all();
            return S_OK;
        });
        std::lock_guard<std::mutex> lock(m_mutex);
        m_status = status;
        m_done = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<unsigned char>> m_ready;
    HRESULT m_status = S_OK;
    bool m_done = false;
    bool m_stopped = false;
    // Last: it starts once the rest exists.
    std::thread m_thread;
};

}  // namespace

HRESULT InflateZipPartAhead(int fd, const ZipPart& part, const ZipDataSink& sink)
{
    std::optional<InflatingThread> inflating;
    // Without a second thread the part is inflated as it is read.
    try {
        inflating.emplace(fd, part);
    } catch (const std::system_error&) {
        return InflateZipPart(fd, part, sink);
    }
    std::vector<unsigned char> chunk;
    HRESULT status = S_OK;
    while (inflating->Next(chunk, status)) {
        if (const HRESULT taken = sink(chunk.data(), chunk.size()); taken != S_OK)
            return taken;
    }
    return status;
}
