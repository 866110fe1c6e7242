// The one exception the print sequence throws, and the two ways of raising it.
#pragma once

#include "platform.h"

namespace ATL {

// Carries one status: a failing HRESULT, or a kernel error code exactly as GetLastError gave it.
// Deliberately outside the std::exception hierarchy.
class CAtlException {
public:
    CAtlException(HRESULT status) noexcept : m_hr(status) {}
    operator HRESULT() const noexcept { return m_hr; }

    HRESULT m_hr;
};

}  // namespace ATL

// Throws a negative status; returns any other unchanged.
HRESULT CheckStatus(HRESULT status);

[[noreturn]] void ThrowStatus(HRESULT status);

// For kernel calls that fail without a status of their own. A last error of 0 becomes E_FAIL,
// so a failure can never be reported as "Error 0" with exit status 0.
[[noreturn]] void ThrowLastError();
