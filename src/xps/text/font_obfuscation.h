// XPS's obfuscated fonts: the first 32 bytes of the font are XORed with a key made from the GUID that
// names the part.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Whether a font part is obfuscated: its content type says so, or its name ends in ".odttf".
bool IsObfuscatedFont(std::string_view partName, std::string_view contentType);

// Restores the font in place. The part's file name, less its extension, must be a GUID
// ("B1B2B3B4-B5B6-B7B8-B9B10-B11B12B13B14B15B16", braces allowed, hyphens optional); the key is its 16
// bytes B16 down to B1, applied twice. A name that is no GUID, or a part shorter than 32 bytes, fails
// with DWRITE_E_FILEFORMAT.
void Deobfuscate(std::vector<std::uint8_t>& bytes, std::string_view partName);
