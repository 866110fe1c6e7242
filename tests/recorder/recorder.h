// A platform that stands in for Windows under the tool's own code: it records every call with
// every argument, in order, counts references per object, and fails any step on demand.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

struct Recorder {
    // What the tool did.
    std::vector<std::string> calls;

    // How the platform answers. By default every call succeeds and the job completes.
    HRESULT coInitializeResult = S_OK;
    bool createEventFails = false;
    DWORD createEventError = ERROR_SUCCESS;
    DWORD waitResult = WAIT_OBJECT_0;
    DWORD waitError = ERROR_SUCCESS;
    // By method name: CoCreateInstance, StartXpsPrintJob, CreatePackageFromFile, WriteToStream, Close, GetJobStatus.
    std::map<std::string, HRESULT> failing;
    // A method name whose call throws a std::runtime_error instead of returning.
    std::string throwing;
    XPS_JOB_STATUS jobStatus{7, 1, 1, 1, XPS_JOB_COMPLETED, S_OK};

    // What the tool still holds.
    int apartmentJoins = 0;
    std::set<HANDLE> openHandles;
    std::map<std::string, int> references;
    DWORD lastError = ERROR_SUCCESS;

    bool AllGivenBack() const;
};

// The one recorder behind the platform functions; each test starts it afresh.
Recorder& TheRecorder();
void ResetRecorder();
