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

// Tests a status on the line that produced it.
inline void CheckDocument(HRESULT status)
{
    if (status < 0)
        ThrowDocument(status);
}
