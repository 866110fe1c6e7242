#include "platform/linux/spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/linux/errno_status.h"
#include "platform/linux/fd_io.h"

namespace {

constexpr HRESULT kWriteFault = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

}  // namespace

HRESULT SpoolFile::Open()
{
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    m_fd = UniqueFd(open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (m_fd)
        return S_OK;
    // File systems without O_TMPFILE: a file of a random name, unlinked at once.
    if (errno != EOPNOTSUPP && errno != EISDIR)
        return StatusFromErrno(errno, kWriteFault);
    std::string path = folder + "/wrenpage-XXXXXX";
    m_fd = UniqueFd(mkostemp(path.data(), O_CLOEXEC));
    if (!m_fd)
        return StatusFromErrno(errno, kWriteFault);
    unlink(path.c_str());
    return S_OK;
}

HRESULT SpoolFile::Write(const void* data, std::size_t size)
{
    if (!WriteAll(m_fd.Get(), data, size))
        return StatusFromErrno(errno, kWriteFault);
    m_size += size;
    return S_OK;
}

HRESULT SpoolFile::ReadAt(std::size_t offset, void* data, std::size_t size, std::size_t& got) const
{
    const ssize_t count = ReadSomeAt(m_fd.Get(), data, size, offset);
    if (count < 0)
        return StatusFromErrno(errno, kWriteFault);
    got = static_cast<std::size_t>(count);
    return S_OK;
}
