#include "platform/linux/open_document.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/linux/errno_status.h"

namespace {

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

}  // namespace

HRESULT OpenDocument(const std::string& path, UniqueFd& file)
{
    if (path.empty())
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    UniqueFd opened(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!opened)
        return StatusFromOpenError(errno, path);
    struct stat info;
    if (fstat(opened.Get(), &info) != 0)
        return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
    if (!S_ISREG(info.st_mode))
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    file = std::move(opened);
    return S_OK;
}
