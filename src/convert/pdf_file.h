// Writing a finished PDF to the file a user named, so that the file is either what it was or the whole
// new PDF, never part of it.
#pragma once

#include <string>

#include "platform.h"
#include "platform/linux/spool_file.h"
#include "platform/linux/unique_fd.h"

// A file of a temporary name beside its destination, removed unless it was put in the destination's place.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    HRESULT Create(const std::string& destination);
    int Descriptor() const noexcept { return m_fd.Get(); }
    // Renames it over the destination.
    HRESULT Commit();

private:
    std::string m_path;
    std::string m_destination;
    UniqueFd m_fd;
};

// Puts pdf in path's place. A path that names something other than a regular file (a device, a FIFO) is
// written to as it is: only a file can be replaced.
HRESULT WritePdfFile(const SpoolFile& pdf, const std::string& path);
