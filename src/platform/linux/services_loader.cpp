// The executable's side of the services module: the two entry points, forwarding to the module once
// it is loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/linux/com.h"
#include "platform/linux/services.h"

namespace {

// Beside the executable in a build tree, in lib/wrenpage beside bin once installed. The module stays
// loaded until the process ends: the objects it makes live as long as their callers hold them.
const ServiceEntries* Services()
{
    static const ServiceEntries* const entries = []() -> const ServiceEntries* {
        char self[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof self))
            return nullptr;
        const std::string executable(self, static_cast<std::size_t>(length));
        const std::string folder = executable.substr(0, executable.rfind('/') + 1);
        for (const std::string& path : {folder + kServiceModuleName, folder + "../lib/wrenpage/" + kServiceModuleName}) {
            if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                const auto entriesOf = reinterpret_cast<decltype(&WrenpageServiceEntries)>(dlsym(module, "WrenpageServiceEntries"));
                return entriesOf != nullptr ? entriesOf() : nullptr;
            }
        }
        return nullptr;
    }();
    return entries;
}

}  // namespace

HRESULT CreateXpsOMObjectFactory(REFIID riid, void** object)
{
    const ServiceEntries* services = Services();
    if (services == nullptr) {
        if (object != nullptr)
            *object = nullptr;
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    return services->createXpsOMObjectFactory(riid, object);
}

extern "C" HRESULT WINAPI StartXpsPrintJob(LPCWSTR printerName, LPCWSTR jobName, LPCWSTR outputFileName,
                                           HANDLE progressEvent, HANDLE completionEvent, UINT8* printablePagesOn,
                                           UINT32 printablePagesOnCount, IXpsPrintJob** xpsPrintJob,
                                           IXpsPrintJobStream** documentStream, IXpsPrintJobStream** printTicketStream)
{
    const ServiceEntries* services = Services();
    if (services == nullptr) {
        for (IXpsPrintJobStream** stream : {documentStream, printTicketStream}) {
            if (stream != nullptr)
                *stream = nullptr;
        }
        if (xpsPrintJob != nullptr)
            *xpsPrintJob = nullptr;
        return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    return services->startXpsPrintJob(printerName, jobName, outputFileName, progressEvent, completionEvent,
                                      printablePagesOn, printablePagesOnCount, xpsPrintJob, documentStream,
                                      printTicketStream);
}
