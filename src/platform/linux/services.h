// The document and print services live in a module of their own, loaded on first use, so that a run
// that needs neither (the usage message, a bad argument) starts without libcups and the translator.
#pragma once

#include "platform.h"

struct ServiceEntries {
    HRESULT (*createXpsOMObjectFactory)(REFIID riid, void** object);
    decltype(&StartXpsPrintJob) startXpsPrintJob;
};

// The module's one exported symbol.
extern "C" const ServiceEntries* WrenpageServiceEntries();

constexpr const char* kServiceModuleName = "wrenpage-services.so";
