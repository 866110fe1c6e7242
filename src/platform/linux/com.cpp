// COM runtime: per-thread apartments and in-process creation of the layer's registered classes.
#include "platform/linux/com.h"

namespace {

// How many times this thread has joined its apartment, and in which model.
thread_local unsigned t_apartmentJoins = 0;
thread_local DWORD t_apartmentModel = COINIT_MULTITHREADED;

constexpr DWORD kThreadingModel = COINIT_APARTMENTTHREADED;

struct RegisteredClass {
    const CLSID& clsid;
    HRESULT (*create)(REFIID riid, void** object);
};

const RegisteredClass kClasses[] = {
    {CLSID_XpsOMObjectFactory, CreateXpsOMObjectFactory},
};

}  // namespace

extern "C" {

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit)
{
    if (reserved != nullptr)
        return E_INVALIDARG;
    const DWORD model = coInit & kThreadingModel;
    if (t_apartmentJoins > 0) {
        if (model != t_apartmentModel)
            return RPC_E_CHANGED_MODE;
        ++t_apartmentJoins;
        return S_FALSE;
    }
    t_apartmentModel = model;
    t_apartmentJoins = 1;
    return S_OK;
}

void CoUninitialize()
{
    if (t_apartmentJoins > 0)
        --t_apartmentJoins;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (t_apartmentJoins == 0)
        return CO_E_NOTINITIALIZED;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    // Every class here lives in this process.
    if ((clsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    for (const RegisteredClass& registered : kClasses) {
        if (registered.clsid == rclsid)
            return registered.create(riid, ppv);
    }
    return REGDB_E_CLASSNOTREG;
}

}  // extern "C"
