// The title a package's core properties give it, for the printed PDF's own.
#pragma once

#include <string>
#include <string_view>

// The dc:title's text, white space folded; empty where there is none. Markup that does not parse fails
// with XPS_E_INVALID_MARKUP.
std::string ReadCoreTitle(std::string_view markup);
