// How the document translator fails: deep inside a page, a status is thrown once where it is found and
// turned back into an HRESULT only at the service's COM boundary.
#pragma once

#include "platform.h"

class DocumentFailure {
public:
    explicit DocumentFailure(HRESULT status) : m_status(status) {}
    HRESULT Status() const { return m_status; }

private:
    HRESULT m_status;
};

[[noreturn]] inline void ThrowDocument(HRESULT status) { throw DocumentFailure(status); }

// A value nothing can be drawn with: infinite, NaN, or beyond what PDF's numbers hold. Writers place
// elements at infinity to hide them, so the painter passes over the element (a Canvas with its children)
// and the page goes on; met outside any element, it fails with its status like any other failure.
class UnusableValue : public DocumentFailure {
public:
    using DocumentFailure::DocumentFailure;
};

[[noreturn]] inline void ThrowUnusable(HRESULT status) { throw UnusableValue(status); }

// Tests a status on the line that produced it.
inline void CheckDocument(HRESULT status)
{
    if (status < 0)
        ThrowDocument(status);
}
