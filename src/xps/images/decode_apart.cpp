#include "xps/images/decode_apart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "xps/document_failure.h"
#include "xps/document_status.h"
#include "errno_status.h"
#include "unique_fd.h"
#include "write_all.h"

namespace {

// As long as a decoder may go without handing over a piece of its image.
constexpr int kSilenceLimitMs = 30'000;
// Deflated samples of the largest image allowed, with room to spare.
constexpr std::uint64_t kMaxString = 512u << 20;

// Owner of a child process: one still running when the owner goes is killed, and every child reaped.
class Child {
public:
    explicit Child(pid_t pid) : m_pid(pid) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child()
    {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGKILL);
        Wait();
    }

    // Whether the child ended by exiting with status 0.
    bool Succeeded()
    {
        const int status = Wait();
        m_pid = 0;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int Wait() const
    {
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    }

    pid_t m_pid;
};

struct Fields {
    HRESULT status;
    std::uint32_t width;
    std::uint32_t height;
    PdfColours colours;
    int bitsPerComponent;
    bool inverted;
    PdfFilter filter;
    bool predicted;
    PngPrediction predictor;
    double dpiX;
    double dpiY;
};

// The child writes its image's fields, then each of its strings led by its length; a parent gone away
// leaves it nothing to do.
void Send(int output, const void* data, std::size_t size)
{
    if (!WriteAll(output, data, size))
        _exit(1);
}

void WriteImage(int output, HRESULT status, const DecodedImage& image)
{
    Fields fields{};
    fields.status = status;
    fields.width = image.width;
    fields.height = image.height;
    fields.colours = image.colours;
    fields.bitsPerComponent = image.bitsPerComponent;
    fields.inverted = image.inverted;
    fields.filter = image.filter;
    fields.predicted = image.predictor.has_value();
    fields.predictor = image.predictor.value_or(PngPrediction{});
    fields.dpiX = image.dpiX;
    fields.dpiY = image.dpiY;
    Send(output, &fields, sizeof fields);
    for (const std::string* value : {&image.palette, &image.iccProfile, &image.data, &image.alpha}) {
        const std::uint64_t size = value->size();
        Send(output, &size, sizeof size);
        Send(output, value->data(), value->size());
    }
}

[[noreturn]] void RunChild(int output, std::string_view bytes, DecodedImage (*decode)(std::string_view))
{
    // A crash leaves no core file behind, and nothing the decoder says reaches the tool's output.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDOUT_FILENO);
    dup2(nowhere, STDERR_FILENO);
    try {
        WriteImage(output, S_OK, decode(bytes));
    } catch (const DocumentFailure& failure) {
        WriteImage(output, failure.Status(), DecodedImage());
    } catch (const std::bad_alloc&) {
        WriteImage(output, E_OUTOFMEMORY, DecodedImage());
    }
    _exit(0);
}

// Reads exactly size bytes; a child that stops short, or goes silent, has failed.
void ReadAll(int input, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        pollfd wait{input, POLLIN, 0};
        const int ready = poll(&wait, 1, kSilenceLimitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            ThrowDocument(WINCODEC_ERR_BADIMAGE);
        const ssize_t got = read(input, bytes, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            ThrowDocument(WINCODEC_ERR_BADIMAGE);
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
}

DecodedImage ReadImageFrom(int input)
{
    Fields fields{};
    ReadAll(input, &fields, sizeof fields);
    CheckDocument(fields.status);
    DecodedImage image;
    image.width = fields.width;
    image.height = fields.height;
    image.colours = fields.colours;
    image.bitsPerComponent = fields.bitsPerComponent;
    image.inverted = fields.inverted;
    image.filter = fields.filter;
    if (fields.predicted)
        image.predictor = fields.predictor;
    image.dpiX = fields.dpiX;
    image.dpiY = fields.dpiY;
    for (std::string* value : {&image.palette, &image.iccProfile, &image.data, &image.alpha}) {
        std::uint64_t size = 0;
        ReadAll(input, &size, sizeof size);
        if (size > kMaxString)
            ThrowDocument(WINCODEC_ERR_BADIMAGE);
        value->resize(size);
        ReadAll(input, &(*value)[0], size);
    }
    return image;
}

}  // namespace

DecodedImage DecodeApart(std::string_view bytes, DecodedImage (*decode)(std::string_view))
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        ThrowDocument(StatusFromErrno(errno, HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES)));
    const UniqueFd input(ends[0]);
    pid_t pid = -1;
    {
        // The parent's copy of the writing end closes here, so that a child that dies is an end of file.
        const UniqueFd output(ends[1]);
        pid = fork();
        if (pid == 0)
            RunChild(output.Get(), bytes, decode);
    }
    if (pid < 0)
        ThrowDocument(E_OUTOFMEMORY);
    Child child(pid);
    DecodedImage image = ReadImageFrom(input.Get());
    if (!child.Succeeded())
        ThrowDocument(WINCODEC_ERR_BADIMAGE);
    return image;
}
