// Where a document stream keeps what it receives until it is closed.
#pragma once

#include <cstddef>

#include "platform.h"
#include "unique_fd.h"

// A private temporary file in TMPDIR (or /tmp): unlinked from the start and readable only by its
// owner, so nothing is left behind and no other user can see or replace it.
class SpoolFile {
public:
    SpoolFile() noexcept = default;
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    HRESULT Open();
    HRESULT Write(const void* data, std::size_t size);
    // Back to the start, to read what was written.
    HRESULT Rewind();
    // Reads up to size bytes; got is 0 at the end.
    HRESULT Read(void* data, std::size_t size, std::size_t& got);
    int Descriptor() const noexcept { return m_fd.Get(); }
    // How much has been written.
    std::size_t Size() const noexcept { return m_size; }

private:
    UniqueFd m_fd;
    std::size_t m_size = 0;
};
