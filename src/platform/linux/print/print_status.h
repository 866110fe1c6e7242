// The print service's translation of CUPS's failures into the statuses Windows reports for the same cases.
#pragma once

#include <cups/ipp.h>

#include "platform.h"

// For a failing IPP status, as cupsLastError() reports it after a request.
HRESULT StatusFromIpp(ipp_status_t status);
