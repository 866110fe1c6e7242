#include "convert/pdf_spool.h"

#include <cerrno>
#include <vector>

#include "platform/linux/errno_status.h"
#include "platform/linux/fd_io.h"
#include "platform/linux/statuses.h"
#include "xps/translate_apart.h"

namespace {

constexpr std::size_t kCopyChunkSize = 1u << 20;

}  // namespace

HRESULT TranslateToSpool(int packageFd, SpoolFile& pdf)
{
    const HRESULT opened = pdf.Open();
    HRESULT written = opened;
    // As the tool does, a temporary folder that fills up does not stop the translation: what loading
    // finds wrong with the package is the better answer.
    const TranslationStatus translated = TranslateApart(packageFd, [&](const unsigned char* data, std::size_t size) {
        if (written >= 0)
            written = pdf.Write(data, size);
        return S_OK;
    });
    if (translated.load != S_OK)
        return translated.load;
    return written < 0 ? written : translated.print;
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
