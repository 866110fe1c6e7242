#include "convert/pdf_spool.h"

#include <cerrno>
#include <vector>

#include "platform/linux/errno_status.h"
#include "platform/linux/fd_io.h"
#include "platform/linux/statuses.h"

namespace {

constexpr std::size_t kCopyChunkSize = 1u << 20;

}  // namespace

HRESULT TranslateToSpool(int packageFd, RenderedPdf& pdf)
{
    const HRESULT loaded = RenderPdf(packageFd, pdf);
    return loaded != S_OK ? loaded : pdf.status;
}

HRESULT SpoolStream(int fd, SpoolFile& spool)
{
    if (const HRESULT opened = spool.Open(); opened != S_OK)
        return opened;
    std::vector<unsigned char> chunk(kCopyChunkSize);
    for (;;) {
        const ssize_t got = ReadSome(fd, chunk.data(), chunk.size());
        if (got < 0)
            return StatusFromErrno(errno, HRESULT_FROM_WIN32(ERROR_READ_FAULT));
        if (got == 0)
            return S_OK;
        if (const HRESULT status = spool.Write(chunk.data(), static_cast<std::size_t>(got)); status != S_OK)
            return status;
    }
}

HRESULT CopySpool(const SpoolFile& spool, int fd)
{
    std::vector<unsigned char> chunk(kCopyChunkSize);
    for (std::size_t offset = 0;;) {
        std::size_t got = 0;
        if (const HRESULT status = spool.ReadAt(offset, chunk.data(), chunk.size(), got); status != S_OK)
            return status;
        if (got == 0)
            return S_OK;
        if (!WriteAll(fd, chunk.data(), got))
            return StatusFromErrno(errno, HRESULT_FROM_WIN32(ERROR_WRITE_FAULT));
        offset += got;
    }
}
