// The tool's view of the platform: on Windows, the system's own headers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <objbase.h>
// Defines the XPS class and interface identifiers here rather than relying on an import library
// that does not carry them.
#include <initguid.h>
#include <xpsobjectmodel.h>
#include <xpsprint.h>
