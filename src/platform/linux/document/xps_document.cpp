// The XPS document service: the object factory that loads a package from a file, and the package that
// writes itself into a stream.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "com.h"
#include "errno_status.h"
#include "xps/document_status.h"
#include "startup.h"
#include "unique_fd.h"
#include "xps_package.h"

namespace {

constexpr std::size_t kCopyChunkSize = 64 * 1024;

bool FolderExists(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

HRESULT StatusFromOpenError(int error, const std::string& path)
{
    // Windows tells a missing file in a folder that is there from a missing folder.
    if (error == ENOENT && FolderExists(path))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return StatusFromErrno(error, HRESULT_FROM_WIN32(ERROR_OPEN_FAILED));
}

class XpsOMPackage final : public ComObject<IXpsOMPackage, IID_IXpsOMPackage> {
public:
    explicit XpsOMPackage(UniqueFd file) : m_file(std::move(file)) {}

    // The package goes out as the bytes of its file, so markup is never rewritten.
    HRESULT STDMETHODCALLTYPE WriteToStream(ISequentialStream* stream, BOOL) override
    {
        if (stream == nullptr)
            return E_POINTER;
        std::vector<unsigned char> chunk(kCopyChunkSize);
        for (off_t offset = 0;;) {
            const ssize_t read = pread(m_file.Get(), chunk.data(), chunk.size(), offset);
            if (read < 0 && errno == EINTR)
                continue;
            if (read < 0)
                return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
            if (read == 0)
                return S_OK;
            ULONG written = 0;
            if (const HRESULT status = stream->Write(chunk.data(), static_cast<ULONG>(read), &written); status < 0)
                return status;
            if (written != static_cast<ULONG>(read))
                return STG_E_WRITEFAULT;
            offset += read;
        }
    }

private:
    UniqueFd m_file;
};

class XpsOMObjectFactory final : public ComObject<IXpsOMObjectFactory, IID_IXpsOMObjectFactory> {
public:
    // Loads the whole package, as Windows does without object reuse, so that a bad package fails here.
    HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR filename, BOOL, IXpsOMPackage** package) override
    {
        if (package == nullptr)
            return E_POINTER;
        *package = nullptr;
        if (filename == nullptr)
            return E_POINTER;
        const std::optional<std::string> path = BytesFromWide(filename);
        if (!path)
            return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
        if (path->empty())
            return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);

        // Non-blocking, so that a FIFO or a device is refused rather than waited on.
        UniqueFd file(open(path->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        if (!file)
            return StatusFromOpenError(errno, *path);
        struct stat info;
        if (fstat(file.Get(), &info) != 0)
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
        if (!S_ISREG(info.st_mode))
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);

        if (const HRESULT status = CheckXpsPackageApart(file.Get()); status != S_OK)
            return status;
        *package = new XpsOMPackage(std::move(file));
        return S_OK;
    }
};

}  // namespace

HRESULT CreateXpsOMObjectFactory(REFIID riid, void** object)
{
    auto* factory = new XpsOMObjectFactory;
    const HRESULT status = factory->QueryInterface(riid, object);
    factory->Release();
    return status;
}
