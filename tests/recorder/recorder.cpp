#include "recorder.h"

#include <cstdio>
#include <stdexcept>

namespace {

Recorder g_recorder;

const HANDLE kEvent = reinterpret_cast<HANDLE>(0x1004);

std::string Format(const GUID& guid)
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                  guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string Format(LPCWSTR text)
{
    if (text == nullptr)
        return "NULL";
    std::string quoted = "\"";
    for (; *text != 0; ++text) {
        if (*text >= 0x20 && *text < 0x7F) {
            quoted += static_cast<char>(*text);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u{%X}", static_cast<unsigned>(*text));
            quoted += escaped;
        }
    }
    return quoted + "\"";
}

std::string Format(HANDLE handle)
{
    if (handle == nullptr)
        return "NULL";
    if (handle == kEvent)
        return "event";
    if (handle == INVALID_HANDLE_VALUE)
        return "INVALID_HANDLE_VALUE";
    return "unknown handle";
}

std::string Format(BOOL value) { return value == FALSE ? "FALSE" : value == TRUE ? "TRUE" : std::to_string(value); }
std::string FormatOut(const void* out) { return out == nullptr ? "NULL" : "out"; }

void Record(std::string call) { g_recorder.calls.push_back(std::move(call)); }

// The answer the test chose for a method: a status, or a thrown non-status exception.
HRESULT Outcome(const std::string& method)
{
    if (g_recorder.throwing == method)
        throw std::runtime_error(method + " threw");
    auto failing = g_recorder.failing.find(method);
    return failing == g_recorder.failing.end() ? S_OK : failing->second;
}

template <class Interface>
class RecordedObject : public Interface {
public:
    explicit RecordedObject(std::string name) : m_name(std::move(name)) { g_recorder.references[m_name] = 1; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        Record(m_name + ".QueryInterface()");
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        Record(m_name + ".AddRef()");
        return ++g_recorder.references[m_name];
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        Record(m_name + ".Release()");
        const int left = --g_recorder.references[m_name];
        if (left == 0)
            delete this;
        return left;
    }

    const std::string& Name() const { return m_name; }

protected:
    virtual ~RecordedObject() = default;
    const std::string m_name;
};

std::string NameOf(IUnknown* object)
{
    if (object == nullptr)
        return "NULL";
    auto* stream = dynamic_cast<RecordedObject<IXpsPrintJobStream>*>(object);
    return stream != nullptr ? stream->Name() : "unknown object";
}

class RecordedDocumentStream final : public RecordedObject<IXpsPrintJobStream> {
public:
    RecordedDocumentStream() : RecordedObject("documentStream") {}
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        Record(m_name + ".Close()");
        return Outcome("Close");
    }
};

class RecordedJob final : public RecordedObject<IXpsPrintJob> {
public:
    RecordedJob() : RecordedObject("job") {}
    HRESULT STDMETHODCALLTYPE Cancel() override
    {
        Record(m_name + ".Cancel()");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetJobStatus(XPS_JOB_STATUS* jobStatus) override
    {
        Record(m_name + ".GetJobStatus(" + FormatOut(jobStatus) + ")");
        const HRESULT status = Outcome("GetJobStatus");
        if (status >= 0)
            *jobStatus = g_recorder.jobStatus;
        return status;
    }
};

class RecordedPackage final : public RecordedObject<IXpsOMPackage> {
public:
    RecordedPackage() : RecordedObject("package") {}
    HRESULT STDMETHODCALLTYPE WriteToStream(ISequentialStream* stream, BOOL optimizeMarkupSize) override
    {
        Record(m_name + ".WriteToStream(" + NameOf(stream) + ", " + Format(optimizeMarkupSize) + ")");
        return Outcome("WriteToStream");
    }
};

class RecordedFactory final : public RecordedObject<IXpsOMObjectFactory> {
public:
    RecordedFactory() : RecordedObject("factory") {}
    HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR filename, BOOL reuseObjects, IXpsOMPackage** package) override
    {
        Record(m_name + ".CreatePackageFromFile(" + Format(filename) + ", " + Format(reuseObjects) + ", " +
               FormatOut(package) + ")");
        const HRESULT status = Outcome("CreatePackageFromFile");
        *package = status < 0 ? nullptr : new RecordedPackage;
        return status;
    }
};

}  // namespace

bool Recorder::AllGivenBack() const
{
    for (const auto& [name, count] : references)
        if (count != 0)
            return false;
    return apartmentJoins == 0 && openHandles.empty();
}

Recorder& TheRecorder()
{
    return g_recorder;
}

void ResetRecorder()
{
    g_recorder = Recorder{};
}

extern "C" {

DWORD GetLastError()
{
    return g_recorder.lastError;
}

void SetLastError(DWORD errorCode)
{
    g_recorder.lastError = errorCode;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES eventAttributes, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    Record("CreateEventW(" + FormatOut(eventAttributes) + ", " + Format(manualReset) + ", " + Format(initialState) +
           ", " + Format(name) + ")");
    if (g_recorder.createEventFails) {
        g_recorder.lastError = g_recorder.createEventError;
        return nullptr;
    }
    g_recorder.openHandles.insert(kEvent);
    return kEvent;
}

BOOL SetEvent(HANDLE handle)
{
    Record("SetEvent(" + Format(handle) + ")");
    return TRUE;
}

BOOL ResetEvent(HANDLE handle)
{
    Record("ResetEvent(" + Format(handle) + ")");
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    Record("WaitForSingleObject(" + Format(handle) + ", " +
           (milliseconds == INFINITE ? std::string("INFINITE") : std::to_string(milliseconds)) + ")");
    if (g_recorder.throwing == "WaitForSingleObject")
        throw std::runtime_error("WaitForSingleObject threw");
    if (g_recorder.waitResult != WAIT_OBJECT_0)
        g_recorder.lastError = g_recorder.waitError;
    return g_recorder.waitResult;
}

BOOL CloseHandle(HANDLE handle)
{
    Record("CloseHandle(" + Format(handle) + ")");
    if (g_recorder.openHandles.erase(handle) == 0) {
        g_recorder.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit)
{
    char model[16];
    std::snprintf(model, sizeof model, "0x%X", static_cast<unsigned>(coInit));
    Record("CoInitializeEx(" + FormatOut(reserved) + ", " + model + ")");
    if (g_recorder.coInitializeResult >= 0)
        ++g_recorder.apartmentJoins;
    return g_recorder.coInitializeResult;
}

void CoUninitialize()
{
    Record("CoUninitialize()");
    --g_recorder.apartmentJoins;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* ppv)
{
    char context[16];
    std::snprintf(context, sizeof context, "0x%X", static_cast<unsigned>(clsContext));
    Record("CoCreateInstance(" + Format(rclsid) + ", " + FormatOut(outer) + ", " + context + ", " + Format(riid) +
           ", " + FormatOut(ppv) + ")");
    const HRESULT status = Outcome("CoCreateInstance");
    *ppv = status < 0 ? nullptr : static_cast<IXpsOMObjectFactory*>(new RecordedFactory);
    return status;
}

HRESULT StartXpsPrintJob(LPCWSTR printerName, LPCWSTR jobName, LPCWSTR outputFileName, HANDLE progressEvent,
                         HANDLE completionEvent, UINT8* printablePagesOn, UINT32 printablePagesOnCount,
                         IXpsPrintJob** xpsPrintJob, IXpsPrintJobStream** documentStream,
                         IXpsPrintJobStream** printTicketStream)
{
    Record("StartXpsPrintJob(" + Format(printerName) + ", " + Format(jobName) + ", " + Format(outputFileName) + ", " +
           Format(progressEvent) + ", " + Format(completionEvent) + ", " + FormatOut(printablePagesOn) + ", " +
           std::to_string(printablePagesOnCount) + ", " + FormatOut(xpsPrintJob) + ", " + FormatOut(documentStream) +
           ", " + FormatOut(printTicketStream) + ")");
    const HRESULT status = Outcome("StartXpsPrintJob");
    const bool started = status >= 0;
    if (xpsPrintJob != nullptr)
        *xpsPrintJob = started ? new RecordedJob : nullptr;
    *documentStream = started ? new RecordedDocumentStream : nullptr;
    return status;
}

}  // extern "C"
