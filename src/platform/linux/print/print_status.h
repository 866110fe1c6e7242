// The print service's statuses: the Win32 codes Windows reports for the same cases, and the
// translation of CUPS's and the C library's failures into them.
#pragma once

#include <cups/ipp.h>

#include "platform.h"

constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_PRINTQ_FULL = 61;
constexpr DWORD ERROR_PRINT_CANCELLED = 63;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr DWORD ERROR_INVALID_PRINTER_NAME = 1801;
constexpr DWORD ERROR_INVALID_PRINTER_STATE = 1906;

// For a failing IPP status, as cupsLastError() reports it after a request.
HRESULT StatusFromIpp(ipp_status_t status);

// For a failing system call's errno.
HRESULT StatusFromErrno(int error);
