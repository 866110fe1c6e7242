#include "convert/pdf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "convert/pdf_spool.h"
#include "platform/linux/errno_status.h"

namespace {

constexpr HRESULT kOpenFailed = HRESULT_FROM_WIN32(ERROR_OPEN_FAILED);
constexpr HRESULT kWriteFault = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

// The mode a file the user creates would get: that of the file replaced, else 0666 less the umask.
mode_t NewFileMode(const struct stat* replaced)
{
    if (replaced != nullptr)
        return replaced->st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

PendingFile::~PendingFile()
{
    if (!m_path.empty())
        unlink(m_path.c_str());
}

HRESULT PendingFile::Create(const std::string& destination)
{
    // Beside the destination, for the rename to stay within one file system; hidden, and of a short name
    // that fits wherever the destination's own name does.
    const std::size_t slash = destination.rfind('/');
    std::string path = (slash == std::string::npos ? "" : destination.substr(0, slash + 1)) + ".wrenpage-pdf-XXXXXX";
    UniqueFd fd(mkostemp(path.data(), O_CLOEXEC));
    if (!fd)
        return StatusFromErrno(errno, kOpenFailed);
    m_path = std::move(path);
    m_destination = destination;
    m_fd = std::move(fd);
    return S_OK;
}

HRESULT PendingFile::Commit()
{
    if (rename(m_path.c_str(), m_destination.c_str()) != 0)
        return StatusFromErrno(errno, kWriteFault);
    m_path.clear();
    return S_OK;
}

HRESULT WritePdfFile(const SpoolFile& pdf, const std::string& path)
{
    struct stat info;
    const bool exists = stat(path.c_str(), &info) == 0;
    if (exists && !S_ISREG(info.st_mode)) {
        UniqueFd target(open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
        if (!target)
            return StatusFromErrno(errno, kOpenFailed);
        return CopySpool(pdf, target.Get());
    }
    PendingFile file;
    if (const HRESULT created = file.Create(path); created != S_OK)
        return created;
    if (const HRESULT copied = CopySpool(pdf, file.Descriptor()); copied != S_OK)
        return copied;
    if (fchmod(file.Descriptor(), NewFileMode(exists ? &info : nullptr)) != 0)
        return StatusFromErrno(errno, kWriteFault);
    return file.Commit();
}
