// What a document's print settings ask of its job, as the IPP job attributes its destination supports.
#pragma once

#include <cups/cups.h>

#include "platform/linux/print/cups_connection.h"
#include "xps/ticket/print_settings.h"

// Adds to options the attributes settings ask for that the destination supports, a value it does not
// take mapped to the nearest it does (copies clamped, a paper of the same size) or left out, so that a
// setting never makes the job fail. The document's settings replace the destination's saved options
// where both speak, as the document's tickets do on Windows; those of an instance the user named
// ("queue/instance") are a choice made for this print, and stay.
void AddDocumentSettings(http_t* http, cups_dest_t* destination, const PrintSettings& settings, JobOptions& options);
