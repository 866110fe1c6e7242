// Stands in for the XPS Document API's object factory, as an in-process COM server. A package is
// the file's bytes, unparsed; writing it copies them into the stream unchanged, in chunks.
#include <algorithm>
#include <vector>

#include <windows.h>
#include <objbase.h>
#include <initguid.h>
#include <xpsobjectmodel.h>

#include "platform/com_object.h"
#include "standin.h"

namespace {

class Package : public ComObject<IXpsOMPackage, IID_IXpsOMPackage> {
public:
    explicit Package(std::vector<char> bytes) : m_bytes(std::move(bytes)) {}

    HRESULT STDMETHODCALLTYPE WriteToStream(ISequentialStream* stream, BOOL) override
    {
        Record({L"WriteToStream"});
        constexpr size_t chunk = 4096;
        for (size_t offset = 0; offset < m_bytes.size(); offset += chunk) {
            const ULONG count = static_cast<ULONG>(std::min(chunk, m_bytes.size() - offset));
            ULONG written = 0;
            const HRESULT status = stream->Write(m_bytes.data() + offset, count, &written);
            if (FAILED(status))
                return status;
            if (written != count)
                return STG_E_MEDIUMFULL;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDocumentSequence(IXpsOMDocumentSequence**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDocumentSequence(IXpsOMDocumentSequence*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCoreProperties(IXpsOMCoreProperties**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCoreProperties(IXpsOMCoreProperties*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDiscardControlPartName(IOpcPartUri**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDiscardControlPartName(IOpcPartUri*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetThumbnailResource(IXpsOMImageResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetThumbnailResource(IXpsOMImageResource*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE WriteToFile(LPCWSTR, LPSECURITY_ATTRIBUTES, DWORD, BOOL) override { return E_NOTIMPL; }

private:
    const std::vector<char> m_bytes;
};

HRESULT ReadWholeFile(LPCWSTR path, std::vector<char>& bytes)
{
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());
    char buffer[4096];
    DWORD count = 0;
    do {
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &count, nullptr))
            return HRESULT_FROM_WIN32(GetLastError());
        bytes.insert(bytes.end(), buffer, buffer + count);
    } while (count != 0);
    return S_OK;
}

class ObjectFactory : public ComObject<IXpsOMObjectFactory, IID_IXpsOMObjectFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR filename, BOOL, IXpsOMPackage** package) override
    {
        Record({L"CreatePackageFromFile", filename});
        if (filename == nullptr || package == nullptr)
            return E_POINTER;
        *package = nullptr;
        std::vector<char> bytes;
        const HRESULT status = ReadWholeFile(filename, bytes);
        if (FAILED(status))
            return status;
        *package = new Package(std::move(bytes));
        return S_OK;
    }

    // Nothing else is asked of the factory.
    HRESULT STDMETHODCALLTYPE CreatePackage(IXpsOMPackage**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePackageFromStream(IStream*, BOOL, IXpsOMPackage**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateStoryFragmentsResource(IStream*, IOpcPartUri*, IXpsOMStoryFragmentsResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDocumentStructureResource(IStream*, IOpcPartUri*, IXpsOMDocumentStructureResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateSignatureBlockResource(IStream*, IOpcPartUri*, IXpsOMSignatureBlockResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResource(IXpsOMDictionary*, IOpcPartUri*, IXpsOMRemoteDictionaryResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRemoteDictionaryResourceFromStream(IStream*, IOpcPartUri*, IXpsOMPartResources*, IXpsOMRemoteDictionaryResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePartResources(IXpsOMPartResources**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDocumentSequence(IOpcPartUri*, IXpsOMDocumentSequence**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDocument(IOpcPartUri*, IXpsOMDocument**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePageReference(const XPS_SIZE*, IXpsOMPageReference**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePage(const XPS_SIZE*, LPCWSTR, IOpcPartUri*, IXpsOMPage**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePageFromStream(IStream*, IOpcPartUri*, IXpsOMPartResources*, BOOL, IXpsOMPage**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCanvas(IXpsOMCanvas**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateGlyphs(IXpsOMFontResource*, IXpsOMGlyphs**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePath(IXpsOMPath**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateGeometry(IXpsOMGeometry**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateGeometryFigure(const XPS_POINT*, IXpsOMGeometryFigure**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateMatrixTransform(const XPS_MATRIX*, IXpsOMMatrixTransform**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateSolidColorBrush(const XPS_COLOR*, IXpsOMColorProfileResource*, IXpsOMSolidColorBrush**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateColorProfileResource(IStream*, IOpcPartUri*, IXpsOMColorProfileResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateImageBrush(IXpsOMImageResource*, const XPS_RECT*, const XPS_RECT*, IXpsOMImageBrush**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateVisualBrush(const XPS_RECT*, const XPS_RECT*, IXpsOMVisualBrush**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateImageResource(IStream*, XPS_IMAGE_TYPE, IOpcPartUri*, IXpsOMImageResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePrintTicketResource(IStream*, IOpcPartUri*, IXpsOMPrintTicketResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateFontResource(IStream*, XPS_FONT_EMBEDDING, IOpcPartUri*, BOOL, IXpsOMFontResource**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateGradientStop(const XPS_COLOR*, IXpsOMColorProfileResource*, FLOAT, IXpsOMGradientStop**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateLinearGradientBrush(IXpsOMGradientStop*, IXpsOMGradientStop*, const XPS_POINT*, const XPS_POINT*, IXpsOMLinearGradientBrush**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRadialGradientBrush(IXpsOMGradientStop*, IXpsOMGradientStop*, const XPS_POINT*, const XPS_POINT*, const XPS_SIZE*, IXpsOMRadialGradientBrush**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateCoreProperties(IOpcPartUri*, IXpsOMCoreProperties**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateDictionary(IXpsOMDictionary**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePartUriCollection(IXpsOMPartUriCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePackageWriterOnFile(LPCWSTR, LPSECURITY_ATTRIBUTES, DWORD, BOOL, XPS_INTERLEAVING, IOpcPartUri*, IXpsOMCoreProperties*, IXpsOMImageResource*, IXpsOMPrintTicketResource*, IOpcPartUri*, IXpsOMPackageWriter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePackageWriterOnStream(ISequentialStream*, BOOL, XPS_INTERLEAVING, IOpcPartUri*, IXpsOMCoreProperties*, IXpsOMImageResource*, IXpsOMPrintTicketResource*, IOpcPartUri*, IXpsOMPackageWriter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreatePartUri(LPCWSTR, IOpcPartUri**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateReadOnlyStreamOnFile(LPCWSTR, IStream**) override { return E_NOTIMPL; }
};

class ClassFactory : public ComObject<IClassFactory, IID_IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        IXpsOMObjectFactory* factory = new ObjectFactory;
        const HRESULT status = factory->QueryInterface(riid, object);
        factory->Release();
        return status;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_XpsOMObjectFactory)
        return CLASS_E_CLASSNOTAVAILABLE;
    IClassFactory* factory = new ClassFactory;
    const HRESULT status = factory->QueryInterface(riid, object);
    factory->Release();
    return status;
}

// Stays loaded until the process ends: the stand-in keeps no count of its objects.
extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}
