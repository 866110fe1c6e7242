// What the rest of the Linux layer needs from its COM runtime.
#pragma once

#include "platform.h"
#include "platform/com_object.h"

// The XPS object factory's class, registered with CoCreateInstance.
HRESULT CreateXpsOMObjectFactory(REFIID riid, void** object);
