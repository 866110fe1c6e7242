// Where a package keeps the PDF it was translated into, and a document stream what it receives, until the
// job is sent.
#pragma once

#include <cstddef>

#include "platform.h"
#include "platform/linux/unique_fd.h"

// A private temporary file in TMPDIR (or /tmp): unlinked from the start and readable only by its
// owner, so nothing is left behind and no other user can see or replace it.
class SpoolFile {
public:
    SpoolFile() noexcept = default;
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    HRESULT Open();
    HRESULT Write(const void* data, std::size_t size);
    // Reads up to size bytes from offset; got is 0 at the end. Never moves the file's own offset, so that
    // what was written can be read more than once, and while more is written.
    HRESULT ReadAt(std::size_t offset, void* data, std::size_t size, std::size_t& got) const;
    int Descriptor() const noexcept { return m_fd.Get(); }
    // How much has been written.
    std::size_t Size() const noexcept { return m_size; }

private:
    UniqueFd m_fd;
    std::size_t m_size = 0;
};
