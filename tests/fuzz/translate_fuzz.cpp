// The translator in this process, where the sanitizers and the coverage see it and the image, font and
// markup libraries it calls: any file translates to PDF or fails with a failure status, never a crash, a
// hang, a leak or a failure reported as success.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "fuzz_check.h"
#include "platform/linux/unique_fd.h"
#include "xps/xps_translate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    UniqueFd file(memfd_create("package.xps", MFD_CLOEXEC));
    FUZZ_CHECK(file && write(file.Get(), data, size) == static_cast<ssize_t>(size));
    std::size_t pdfSize = 0;
    const TranslationStatus translated = TranslateXpsToPdf(file.Get(), [&](const unsigned char*, std::size_t piece) {
        pdfSize += piece;
        return S_OK;
    });
    FUZZ_CHECK(translated.First() < 0 || (translated.First() == S_OK && pdfSize > 0));
    return 0;
}
