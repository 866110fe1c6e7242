#include "xps/package/zip_read_ahead.h"

#include <condition_variable>
#include <deque>
#include <exception>
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

    // The next chunk into chunk; false at the end. Rethrows the inflating's failure once its chunks are taken.
    bool Next(std::vector<unsigned char>& chunk)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty()) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return false;
        }
        chunk = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }

private:
    // Thrown to stop the inflating once the reader has gone; nothing takes it.
    struct Stopped {};

    void Inflate(int fd, const ZipPart& part)
    {
        std::exception_ptr failure;
        try {
            InflateZipPart(fd, part, [this](const unsigned char* data, std::size_t size) {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_ready.size() < kChunksAhead || m_stopped; });
                if (m_stopped)
                    throw Stopped();
                m_ready.emplace_back(data, data + size);
                m_changed.notify_all();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failure = failure;
        m_done = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<unsigned char>> m_ready;
    std::exception_ptr m_failure;
    bool m_done = false;
    bool m_stopped = false;
    // Last: it starts once the rest exists.
    std::thread m_thread;
};

}  // namespace

void InflateZipPartAhead(int fd, const ZipPart& part, const ZipDataSink& sink)
{
    std::optional<InflatingThread> inflating;
    // Without a second thread the part is inflated as it is read.
    try {
        inflating.emplace(fd, part);
    } catch (const std::system_error&) {
        InflateZipPart(fd, part, sink);
        return;
    }
    std::vector<unsigned char> chunk;
    while (inflating->Next(chunk))
        sink(chunk.data(), chunk.size());
}
