#include "submit/submit.h"

#include "submit/scope.h"
#include "submit/status.h"

namespace {

// A signalled completion event only says the job has ended; the job object says how.
void CheckJobCompleted(IXpsPrintJob* job)
{
    XPS_JOB_STATUS status{};
    CheckStatus(job->GetJobStatus(&status));
    switch (status.completion) {
    case XPS_JOB_COMPLETED:
        return;
    case XPS_JOB_FAILED:
        ThrowStatus(status.jobStatus < 0 ? status.jobStatus : E_FAIL);
    case XPS_JOB_CANCELLED:
        ThrowStatus(HRESULT_FROM_WIN32(ERROR_CANCELLED));
    default:
        ThrowStatus(E_UNEXPECTED);
    }
}

}  // namespace

void SubmitXpsDocument(LPCWSTR printerName, LPCWSTR documentPath)
{
    CComApartmentScope apartment;

    CScopedHandle completionEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (completionEvent.Get() == nullptr)
        ThrowLastError();

    CInterfaceRef<IXpsOMObjectFactory> factory;
    CheckStatus(CoCreateInstance(CLSID_XpsOMObjectFactory, nullptr, CLSCTX_ALL, IID_IXpsOMObjectFactory,
                                 factory.PutVoid()));

    CInterfaceRef<IXpsPrintJob> job;
    CInterfaceRef<IXpsPrintJobStream> documentStream;
    CheckStatus(StartXpsPrintJob(printerName, documentPath, nullptr, nullptr, completionEvent.Get(), nullptr, 0,
                                 job.Put(), documentStream.Put(), nullptr));

    CInterfaceRef<IXpsOMPackage> package;
    CheckStatus(factory->CreatePackageFromFile(documentPath, FALSE, package.Put()));
    CheckStatus(package->WriteToStream(documentStream.Get(), FALSE));
    documentStream->Close();

    if (WaitForSingleObject(completionEvent.Get(), INFINITE) != WAIT_OBJECT_0)
        ThrowLastError();
    CheckJobCompleted(job.Get());
}
