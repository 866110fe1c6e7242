#include "render_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "xps/document_status.h"
#include "errno_status.h"
#include "unique_fd.h"
#include "write_all.h"

namespace {

// The child sends frames: a 32-bit length and that many bytes of PDF, and last a length of kStatusFrame
// and the work's status. A frame of length 0 says only that the child is still making progress.
constexpr std::uint32_t kStatusFrame = 0xFFFFFFFF;
constexpr std::size_t kMaxPiece = 1u << 20;
constexpr std::size_t kGatherSize = 64u << 10;

[[noreturn]] void RunChild(int channel, const std::function<HRESULT(const PdfSink&)>& work)
{
    // A fault ends the child at once: handlers the parent installed (a fuzzer's, say) would report it as
    // the parent's own.
    for (const int fault : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP})
        signal(fault, SIG_DFL);
    // Blocks of a MiB and more (a page's content, a part inflated whole) are mapped and unmapped whole.
    // glibc would raise that threshold as the first is freed, after which each thread's arena keeps the
    // largest it ever held, a page's worth for every thread.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Small pieces of PDF are gathered: sent as they come, the frames would cost more than the
    // translating. An empty piece, the sign of progress, sends what has gathered.
    std::vector<unsigned char> gathered;
    gathered.reserve(kGatherSize);
    const auto send = [&] {
        const auto length = static_cast<std::uint32_t>(gathered.size());
        const bool sent = WriteAll(channel, &length, sizeof length) && WriteAll(channel, gathered.data(), gathered.size());
        gathered.clear();
        return sent;
    };
    const PdfSink toParent = [&](const unsigned char* data, std::size_t size) {
        if (size == 0)
            return send() ? S_OK : STG_E_WRITEFAULT;
        while (size > 0) {
            const std::size_t piece = std::min(size, kGatherSize - gathered.size());
            gathered.insert(gathered.end(), data, data + piece);
            data += piece;
            size -= piece;
            if (gathered.size() == kGatherSize && !send())
                return STG_E_WRITEFAULT;
        }
        return S_OK;
    };
    const HRESULT status = work(toParent);
    const std::uint32_t marker = kStatusFrame;
    const bool sent = (gathered.empty() || send()) && WriteAll(channel, &marker, sizeof marker)
                      && WriteAll(channel, &status, sizeof status);
    // Nothing of the parent's (its print job, its buffered output) may be finished a second time here.
    _exit(sent ? 0 : 1);
}

// Owner of the child: killed and reaped however the parent stops listening to it.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid) : m_pid(pid) {}
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess()
    {
        kill(m_pid, SIGKILL);
        while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }

private:
    pid_t m_pid;
};

// Reads exactly size bytes, waiting at most the stall limit for each piece; false at the end of the
// stream, on an error or on a stall.
bool ReadFrame(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::chrono::milliseconds(kRenderStallLimit).count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        const ssize_t got = read(fd, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

HRESULT RunInRenderProcess(const std::function<HRESULT(const PdfSink&)>& work, const PdfSink& sink)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return StatusFromErrno(errno, HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES));
    UniqueFd reading(ends[0]);
    UniqueFd writing(ends[1]);
    const pid_t pid = fork();
    if (pid < 0)
        return E_OUTOFMEMORY;
    if (pid == 0) {
        reading = UniqueFd();
        RunChild(writing.Get(), work);
    }
    ChildProcess child(pid);
    // The parent keeps no write end, so that a child that dies ends the stream.
    writing = UniqueFd();

    std::vector<unsigned char> piece;
    for (;;) {
        std::uint32_t length = 0;
        if (!ReadFrame(reading.Get(), &length, sizeof length))
            return XPS_E_INVALID_MARKUP;
        if (length == kStatusFrame) {
            HRESULT status = E_FAIL;
            return ReadFrame(reading.Get(), &status, sizeof status) ? status : XPS_E_INVALID_MARKUP;
        }
        if (length > kMaxPiece)
            return XPS_E_INVALID_MARKUP;
        piece.resize(length);
        if (!ReadFrame(reading.Get(), piece.data(), length))
            return XPS_E_INVALID_MARKUP;
        if (length == 0)
            continue;
        if (const HRESULT status = sink(piece.data(), length); status < 0)
            return status;
    }
}
