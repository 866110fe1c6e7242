// Owners of the platform resources the print sequence acquires. Each gives its resource back on
// destruction and ignores the result: there is no other clean-up path.
#pragma once

#include "platform.h"
#include "submit/status.h"

// Membership of the multithreaded apartment. It exists only once CoInitializeEx succeeded
// (S_FALSE included), so CoUninitialize always balances a success and never follows a failure.
class CComApartmentScope {
public:
    CComApartmentScope() { CheckStatus(CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
    ~CComApartmentScope() { CoUninitialize(); }

    CComApartmentScope(const CComApartmentScope&) = delete;
    CComApartmentScope& operator=(const CComApartmentScope&) = delete;
};

// Takes the handle straight from the call that made it, before it is tested, so nothing can slip
// between creation and ownership. NULL and INVALID_HANDLE_VALUE both mean empty.
class CScopedHandle {
public:
    explicit CScopedHandle(HANDLE handle) noexcept : m_handle(handle) {}
    ~CScopedHandle()
    {
        if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;

    HANDLE Get() const noexcept { return m_handle; }

private:
    HANDLE m_handle;
};

// One reference to a COM interface. Created empty just before the call that fills it; the call's
// reference is adopted without AddRef.
template <class T>
class CInterfaceRef {
public:
    CInterfaceRef() noexcept = default;
    ~CInterfaceRef()
    {
        if (m_p != nullptr)
            m_p->Release();
    }

    CInterfaceRef(const CInterfaceRef&) = delete;
    CInterfaceRef& operator=(const CInterfaceRef&) = delete;

    T** Put() noexcept { return &m_p; }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(&m_p); }
    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }

private:
    T* m_p = nullptr;
};
