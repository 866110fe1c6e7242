// What the rest of the Linux layer needs from its COM runtime.
#pragma once

#include "platform/com_object.h"
#include "platform.h"

// The XPS object factory's class, registered with CoCreateInstance.
HRESULT CreateXpsOMObjectFactory(REFIID riid, void** object);
