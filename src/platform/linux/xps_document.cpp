// The XPS document service: the object factory that loads a package from a file.
#include "com.h"

namespace {

class XpsOMObjectFactory final : public ComObject<IXpsOMObjectFactory, IID_IXpsOMObjectFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR, BOOL, IXpsOMPackage** package) override
    {
        if (package == nullptr)
            return E_POINTER;
        *package = nullptr;
        // Loading packages is not available on this platform yet.
        return E_NOTIMPL;
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
