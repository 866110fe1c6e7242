// A child process for translating a package. The image and font libraries it calls read whatever the
// package holds; run apart, a package that brings one of them down fails with a status, as a print
// system's filter fails outside the application, instead of taking the tool down or writing to its
// standard error.
#pragma once

#include <chrono>
#include <functional>

#include "xps_package.h"

// How long the child may go without handing over a piece of PDF or reporting a page done.
constexpr std::chrono::seconds kRenderStallLimit{60};

// Runs work in a child process; what work gives its sink reaches sink here, in order. Returns work's
// status, sink's first failing status, or XPS_E_INVALID_MARKUP where the child ends without giving one
// (killed, crashed or stalled).
HRESULT RunInRenderProcess(const std::function<HRESULT(const PdfSink& sink)>& work, const PdfSink& sink);
