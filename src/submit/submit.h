#pragma once

#include "platform.h"

// Prints the XPS document at documentPath on printerName and returns once the print system has
// completed the job. Every failure, including a job that failed or was cancelled, throws
// ATL::CAtlException after everything acquired has been given back.
void SubmitXpsDocument(LPCWSTR printerName, LPCWSTR documentPath);
