// What a failing system call's errno becomes: the status Windows reports for the same failure.
#pragma once

#include <cerrno>

#include "platform.h"

// otherwise is the status of the call's kind (a failed open, a failed write) for an errno Windows has no
// nearer code for.
inline HRESULT StatusFromErrno(int error, HRESULT otherwise)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case ENXIO:
    case ENODEV:
    case EROFS:
    case ETXTBSY:
        return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENAMETOOLONG:
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    case ELOOP:
        return HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME);
    case EMFILE:
    case ENFILE:
        return HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES);
    case ENOSPC:
    case EDQUOT:
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return otherwise;
    }
}
