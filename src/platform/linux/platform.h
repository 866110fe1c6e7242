// The tool's view of the platform away from Windows: the subset of the Windows kernel, COM, XPS Document
// and XPS Print declarations that the tool calls, with Windows's names, types, values and signatures.
// The Linux layer implements them; the tests' recording platform implements them too.
#pragma once

#include <cstdint>
#include <cstring>

using BOOL = int;
using BYTE = std::uint8_t;
using UINT8 = std::uint8_t;
using UINT32 = std::uint32_t;
using INT32 = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using HRESULT = std::int32_t;
using LONG_PTR = std::intptr_t;
using HANDLE = void*;
using LPVOID = void*;
using LPCWSTR = const wchar_t*;
using LPWSTR = wchar_t*;

#define WINAPI
#define STDMETHODCALLTYPE
#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

#include "platform/linux/statuses.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

enum COINIT : DWORD { COINIT_MULTITHREADED = 0x0, COINIT_APARTMENTTHREADED = 0x2 };

enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
};
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISequentialStream = {0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
inline constexpr CLSID CLSID_XpsOMObjectFactory = {0xe974d26d, 0x3d9b, 0x4d47, {0x88, 0xcc, 0x38, 0x72, 0xf2, 0xdc, 0x35, 0x85}};
inline constexpr IID IID_IXpsOMObjectFactory = {0xf9b2a685, 0xa50d, 0x4fc2, {0xb7, 0x64, 0xb5, 0x6e, 0x09, 0x3e, 0xa0, 0xca}};
inline constexpr IID IID_IXpsOMPackage = {0x18c3df65, 0x81e1, 0x4674, {0x91, 0xdc, 0xfc, 0x45, 0x2f, 0x5a, 0x41, 0x6f}};
inline constexpr IID IID_IXpsPrintJobStream = {0x7a77dc5f, 0x45d6, 0x4dff, {0x93, 0x07, 0xd8, 0xcb, 0x84, 0x63, 0x47, 0xca}};
inline constexpr IID IID_IXpsPrintJob = {0x5ab89b06, 0x8194, 0x425f, {0xab, 0x3b, 0xd7, 0xa9, 0x6e, 0x35, 0x01, 0x61}};

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct ISequentialStream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

struct IXpsOMPackage : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE WriteToStream(ISequentialStream* stream, BOOL optimizeMarkupSize) = 0;
};

struct IXpsOMObjectFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreatePackageFromFile(LPCWSTR filename, BOOL reuseObjects, IXpsOMPackage** package) = 0;
};

struct IXpsPrintJobStream : ISequentialStream {
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
};

enum XPS_JOB_COMPLETION {
    XPS_JOB_IN_PROGRESS = 0,
    XPS_JOB_COMPLETED = 1,
    XPS_JOB_CANCELLED = 2,
    XPS_JOB_FAILED = 3,
};

struct XPS_JOB_STATUS {
    UINT32 jobId;
    INT32 currentDocument;
    INT32 currentPage;
    INT32 currentPageTotal;
    XPS_JOB_COMPLETION completion;
    HRESULT jobStatus;
};

struct IXpsPrintJob : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetJobStatus(XPS_JOB_STATUS* jobStatus) = 0;
};

extern "C" {
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD errorCode);
HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES eventAttributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE object);

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
void WINAPI CoUninitialize();
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* ppv);

HRESULT WINAPI StartXpsPrintJob(LPCWSTR printerName, LPCWSTR jobName, LPCWSTR outputFileName, HANDLE progressEvent,
                                HANDLE completionEvent, UINT8* printablePagesOn, UINT32 printablePagesOnCount,
                                IXpsPrintJob** xpsPrintJob, IXpsPrintJobStream** documentStream,
                                IXpsPrintJobStream** printTicketStream);
}
