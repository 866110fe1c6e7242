// The name a print job is listed under.
#pragma once

#include <string>
#include <string_view>

// The job name for a document path given as the bytes typed: valid UTF-8 (each byte that is not
// part of a valid sequence becomes U+FFFD), without control characters, and at most 255 bytes,
// cut on a character boundary. CUPS shows a longer or invalid name as "Untitled", or refuses it.
std::string CleanJobName(std::string_view path);
