// The process start-up that Windows's console runtime would provide: wide arguments in, exit status out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform.h"

int wmain(int argc, wchar_t* argv[]);

// An argument's bytes as a wide string, decoded as UTF-8. A byte that is not part of valid UTF-8
// is carried as the lone surrogate U+DC80 + byte, so that every argument comes back byte for byte.
std::wstring WideFromBytes(std::string_view bytes);

// The exact bytes a wide string came from; nothing for text that holds a character no byte
// sequence can stand for (another lone surrogate, or a value beyond U+10FFFF).
std::optional<std::string> BytesFromWide(std::wstring_view wide);

// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t c);

// The 8-bit process exit status for a 32-bit status: 0 stays 0, any other status keeps its low
// 8 bits, or becomes 1 where those are 0, so that a failure never exits 0.
int ExitCodeFromStatus(HRESULT status);
