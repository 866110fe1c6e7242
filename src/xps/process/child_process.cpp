#include "xps/process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/errno_status.h"
#include "platform/linux/fd_io.h"
#include "xps/document_failure.h"

namespace {

// A length no piece has: the status follows it.
constexpr std::uint32_t kStatusMarker = 0xFFFFFFFF;

}  // namespace

bool WriteFrame(int output, const void* data, std::size_t size)
{
    if (size >= kStatusMarker)
        return false;
    const auto length = static_cast<std::uint32_t>(size);
    return WriteAll(output, &length, sizeof length) && WriteAll(output, data, size);
}

bool WriteStatus(int output, HRESULT status)
{
    return WriteAll(output, &kStatusMarker, sizeof kStatusMarker) && WriteAll(output, &status, sizeof status);
}

ChildProcess::ChildProcess(const std::function<int(int output)>& body, std::chrono::milliseconds stallLimit)
    : m_stallLimit(stallLimit)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        ThrowDocument(StatusFromErrno(errno, HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES)));
    m_input = UniqueFd(ends[0]);
    // The parent's copy of the writing end closes here, so that a child that dies is an end of file.
    const UniqueFd output(ends[1]);
    m_pid = fork();
    if (m_pid == 0) {
        m_input = UniqueFd();
        // Nothing of the parent's (its print job, its buffered output, the callers' handlers) may run a
        // second time here.
        try {
            _exit(body(output.Get()));
        } catch (...) {
            _exit(1);
        }
    }
    if (m_pid < 0)
        ThrowDocument(E_OUTOFMEMORY);
}

ChildProcess::~ChildProcess()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    Reap();
}

Frame ChildProcess::Read(std::string& piece, HRESULT& status, std::size_t maxPiece)
{
    std::uint32_t length = 0;
    if (!ReadExactly(&length, sizeof length))
        return Frame::Broken;
    if (length == kStatusMarker)
        return ReadExactly(&status, sizeof status) ? Frame::Status : Frame::Broken;
    if (length > maxPiece)
        return Frame::Broken;
    piece.resize(length);
    return ReadExactly(&piece[0], length) ? Frame::Piece : Frame::Broken;
}

bool ChildProcess::Succeeded()
{
    const int status = Reap();
    m_pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ChildProcess::ReadExactly(void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        pollfd ready{m_input.Get(), POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(m_stallLimit.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return false;
        const ssize_t got = ReadSome(m_input.Get(), bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

int ChildProcess::Reap()
{
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}
