// Package loading and rendering: any file given as a package loads or fails with a failure status, and one
// that loads renders to PDF or fails with one; never a crash, a hang, a leak or a failure reported as success.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "platform/linux/com.h"
#include "platform/linux/startup.h"
#include "platform/linux/unique_fd.h"
#include "xps/document_failure.h"
#include "xps/package/zip_directory.h"
#include "xps/translate_apart.h"

namespace {

// Owner of the layer's object factory, created once as the tool creates it.
class Factory {
public:
    Factory()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IXpsOMObjectFactory,
                         reinterpret_cast<void**>(&m_factory));
        FUZZ_CHECK(m_factory != nullptr);
    }
    ~Factory() { m_factory->Release(); }

    IXpsOMObjectFactory* operator->() const { return m_factory; }

private:
    IXpsOMObjectFactory* m_factory = nullptr;
};

HRESULT Load(Factory& factory, int fd)
{
    const std::wstring path = WideFromBytes("/proc/self/fd/" + std::to_string(fd));
    IXpsOMPackage* package = nullptr;
    const HRESULT status = factory->CreatePackageFromFile(path.c_str(), FALSE, &package);
    FUZZ_CHECK(status == S_OK ? package != nullptr : status < 0 && package == nullptr);
    if (package != nullptr)
        package->Release();
    return status;
}

// The ZIP checks run in this process, where the sanitizers and the coverage see them. Every part that
// passes inflates to no more than its declared size.
void CheckZip(int fd)
{
    ZipDirectory directory;
    try {
        directory.Read(fd);
    } catch (const DocumentFailure&) {
        return;
    }
    for (const ZipPart& part : directory.Parts()) {
        std::uint64_t inflated = 0;
        bool whole = true;
        try {
            InflateZipPart(fd, part, [&](const unsigned char*, std::size_t size) { inflated += size; });
        } catch (const DocumentFailure&) {
            whole = false;
        }
        FUZZ_CHECK(inflated <= part.size && (!whole || inflated == part.size));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Factory factory;
    UniqueFd file(memfd_create("package.xps", MFD_CLOEXEC));
    FUZZ_CHECK(file && write(file.Get(), data, size) == static_cast<ssize_t>(size));
    CheckZip(file.Get());
    if (Load(factory, file.Get()) != S_OK)
        return 0;
    std::size_t pdfSize = 0;
    const HRESULT rendered = TranslateApart(file.Get(), [&](const unsigned char*, std::size_t piece) {
                                 pdfSize += piece;
                                 return S_OK;
                             })
                                 .First();
    FUZZ_CHECK(rendered == S_OK ? pdfSize > 0 : rendered < 0);
    return 0;
}
