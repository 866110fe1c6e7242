// Opening the document a user names, with the statuses Windows gives for a path it cannot open.
#pragma once

#include <string>

#include "platform.h"
#include "platform/linux/unique_fd.h"

// Opens path to read a package from: S_OK and the file, or why not. Only a regular file is read, and it
// is opened without blocking, so that a FIFO or a device is refused rather than waited on.
HRESULT OpenDocument(const std::string& path, UniqueFd& file);
