// The XPS print service: starts print jobs on the print system.
#include "platform.h"

extern "C" HRESULT StartXpsPrintJob(LPCWSTR, LPCWSTR, LPCWSTR, HANDLE, HANDLE, UINT8*, UINT32, IXpsPrintJob** xpsPrintJob,
                                    IXpsPrintJobStream** documentStream, IXpsPrintJobStream** printTicketStream)
{
    if (xpsPrintJob != nullptr)
        *xpsPrintJob = nullptr;
    if (documentStream != nullptr)
        *documentStream = nullptr;
    if (printTicketStream != nullptr)
        *printTicketStream = nullptr;
    // Printing is not available on this platform yet.
    return E_NOTIMPL;
}
