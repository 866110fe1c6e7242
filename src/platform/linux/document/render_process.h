// A child process for the work libgxps does on a package. libgxps aborts the process on some markup it
// cannot parse (an assertion in its path-data parser, for one) and recurses once per level of nesting;
// run apart, such a package fails with a status, as a print system's filter fails outside the
// application, instead of taking the tool down or writing to its standard error.
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
