#include "print_status.h"

#include <cerrno>

HRESULT StatusFromIpp(ipp_status_t status)
{
    switch (status) {
    case IPP_STATUS_ERROR_NOT_FOUND:
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_STATE);
    case IPP_STATUS_ERROR_TOO_MANY_JOBS:
    case IPP_STATUS_ERROR_BUSY:
        return HRESULT_FROM_WIN32(ERROR_PRINTQ_FULL);
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_ACCOUNT_INFO_NEEDED:
    case IPP_STATUS_ERROR_ACCOUNT_CLOSED:
    case IPP_STATUS_ERROR_ACCOUNT_LIMIT_REACHED:
    case IPP_STATUS_ERROR_ACCOUNT_AUTHORIZATION_FAILED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED:
        return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    // libcups reports a server it cannot reach, or that dropped the connection, as unavailable.
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
    case IPP_STATUS_ERROR_TIMEOUT:
        return HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
    case IPP_STATUS_ERROR_DEVICE:
        return HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    default:
        return E_FAIL;
    }
}

HRESULT StatusFromErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case EACCES:
    case EPERM:
    case EROFS:
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOENT:
    case ENOTDIR:
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    }
}
