// A child process for translating a package. The image and font libraries it calls read whatever the
// package holds; run apart, a package that brings one of them down fails with a status, as a print
// system's filter fails outside the application, instead of taking the tool down or writing to its
// standard error. The tool's own process never grows by the package's size.
#pragma once

#include <chrono>
#include <functional>

#include "xps/xps_translate.h"

// How long the child may go without handing over a piece of PDF or a sign of progress.
constexpr std::chrono::seconds kRenderStallLimit{60};

// Runs work in a child process; what work gives its sink reaches sink here, in order. Returns work's
// statuses and print settings. Both statuses are sink's first failing status where sink fails, and
// XPS_E_INVALID_MARKUP where the child ends without giving them (killed, crashed or stalled).
TranslationStatus RunInRenderProcess(const std::function<TranslationStatus(const PdfSink& sink)>& work,
                                     const PdfSink& sink);

// Translates the package read from packageFd into sink, in a child process.
TranslationStatus TranslateApart(int packageFd, const PdfSink& sink);
