// libgxps reads a package through libarchive, which loses its way after a part whose sizes follow it in
// an 8-byte data descriptor, and through GMarkup, which reads only UTF-8. A package that has either, or
// parts stored in pieces, reaches it as a plain copy: every part one entry with its sizes up front, and
// its markup in UTF-8.
#pragma once

#include <vector>

#include "zip_directory.h"

// utf16 tells, for each of the directory's parts, whether it is markup in UTF-16.
bool IsPlainPackage(const ZipDirectory& directory, const std::vector<bool>& utf16);
HRESULT WritePlainPackage(int fd, const ZipDirectory& directory, const std::vector<bool>& utf16, int out);
