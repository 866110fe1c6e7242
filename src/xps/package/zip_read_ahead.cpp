#include "xps/package/zip_read_ahead.h"

#include <cstddef>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "xps/process/hand_off.h"

namespace {

using Chunk = std::vector<unsigned char>;

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
        m_chunks.Stop();
        m_thread.join();
    }

    // The next chunk; none at the end. Rethrows the inflating's failure once its chunks are taken.
    std::optional<Chunk> Next() { return m_chunks.Take(); }

private:
    // Thrown to stop the inflating once the reader has gone; nothing takes it.
    struct Stopped {};

    void Inflate(int fd, const ZipPart& part)
    {
        try {
            InflateZipPart(fd, part, [this](const unsigned char* data, std::size_t size) {
                if (!m_chunks.Put(Chunk(data, data + size)))
                    throw Stopped();
            });
            m_chunks.Close();
        } catch (...) {
            m_chunks.Close(std::current_exception());
        }
    }

    HandOff<Chunk> m_chunks{kChunksAhead};
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
    while (std::optional<Chunk> chunk = inflating->Next())
        sink(chunk->data(), chunk->size());
}
