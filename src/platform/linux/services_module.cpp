// The services module's entry points. Everything else in the module is hidden, so its own calls stay
// within it even though the executable defines the same names to forward here.
#include "platform/linux/com.h"
#include "platform/linux/services.h"

extern "C" __attribute__((visibility("default"))) const ServiceEntries* WrenpageServiceEntries()
{
    static const ServiceEntries entries{CreateXpsOMObjectFactory, StartXpsPrintJob};
    return &entries;
}
