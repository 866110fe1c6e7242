// Unsigned integers read from the bytes of a file format, whichever order the format stores them in.
#pragma once

#include <cstdint>

inline std::uint32_t Big16(const unsigned char* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

inline std::uint32_t Big32(const unsigned char* p) { return Big16(p) << 16 | Big16(p + 2); }

inline std::uint32_t Little16(const unsigned char* p) { return std::uint32_t{p[1]} << 8 | p[0]; }

inline std::uint32_t Little32(const unsigned char* p) { return Little16(p + 2) << 16 | Little16(p); }

inline std::uint64_t Little64(const unsigned char* p) { return std::uint64_t{Little32(p + 4)} << 32 | Little32(p); }
