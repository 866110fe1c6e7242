#include "submit/status.h"

HRESULT CheckStatus(HRESULT status)
{
    if (status < 0)
        ThrowStatus(status);
    return status;
}

void ThrowStatus(HRESULT status)
{
    throw ATL::CAtlException(status);
}

void ThrowLastError()
{
    const DWORD error = GetLastError();
    ThrowStatus(error != ERROR_SUCCESS ? static_cast<HRESULT>(error) : E_FAIL);
}
