// Reference counting and QueryInterface for COM objects of our own: the Linux layer's services, and the
// Windows tests' stand-ins for the services Wine lacks. platform.h is the build's platform folder's.
#pragma once

#include <atomic>

#include "platform.h"

// Answers IUnknown and each IID listed, all through the one Interface. Created with one reference.
template <class Interface, const IID&... Iids>
class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (riid != IID_IUnknown && ((riid != Iids) && ...)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> m_references{1};
};

// Owns one reference to a COM object.
template <class Interface>
class ComReference {
public:
    ComReference() = default;
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;
    ~ComReference()
    {
        if (m_object != nullptr)
            m_object->Release();
    }

    Interface* operator->() const { return m_object; }
    Interface* Get() const { return m_object; }
    // Where a call that hands out a reference puts it, typed or, for QueryInterface's kind, not.
    Interface** Out() { return &m_object; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_object); }

private:
    Interface* m_object = nullptr;
};
