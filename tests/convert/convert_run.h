// Running the built converter and filter, and what the translator itself makes of a document.
#pragma once

#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform.h"
#include "platform/linux/unique_fd.h"
#include "print_server.h"
#include "xps/translate_apart.h"

const std::filesystem::path kDocuments = WRENPAGE_TEST_DOCUMENTS;

struct Translation {
    std::string pdf;
    HRESULT status;
};

// The PDF and the first failing status that the translation apart gives, as the converters run it.
inline Translation Translate(const std::filesystem::path& document)
{
    UniqueFd file(open(document.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        throw std::runtime_error("cannot open " + document.string());
    Translation translation{"", S_OK};
    translation.status = TranslateApart(file.Get(), [&](const unsigned char* data, std::size_t size) {
                             translation.pdf.append(reinterpret_cast<const char*>(data), size);
                             return S_OK;
                         }).First();
    return translation;
}

inline ProcessRun Convert(const std::filesystem::path& document, const std::string& out)
{
    return RunProcess(WRENPAGE_PDF, {document.string(), out});
}

// The filter as cupsd runs it: given the job's spool file, or in a pipeline on standard input.
inline ProcessRun FilterFile(const std::filesystem::path& document)
{
    return RunProcess(WRENPAGE_FILTER, {"7", "user", "title", "1", "", document.string()});
}
inline ProcessRun FilterInput(const std::filesystem::path& document)
{
    return RunProcess("/bin/sh", {"-c", "exec \"$0\" 7 user title 1 '' <\"$1\"", WRENPAGE_FILTER, document.string()});
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string StatusText(HRESULT status) { return "Error " + std::to_string(status); }
inline std::string ErrorLine(HRESULT status) { return StatusText(status) + "\n"; }

inline int ExitCode(HRESULT status)
{
    const int low = static_cast<int>(static_cast<std::uint32_t>(status) & 0xFF);
    return low != 0 ? low : 1;
}
