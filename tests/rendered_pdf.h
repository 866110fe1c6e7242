// The whole print path's PDF of a document, read by a poppler tool.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/linux/unique_fd.h"
#include "xps/translate_apart.h"

// What the tool prints, run on the PDF as "TOOL PDF AFTER"; empty if the document does not render.
inline std::string ReadRendered(const std::string& document, const std::string& tool, const std::string& after = "")
{
    char folder[] = "/tmp/wrenpage-rendered-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return {};
    const std::string pdf = std::string(folder) + "/rendered.pdf";
    HRESULT rendered;
    {
        UniqueFd in(open(document.c_str(), O_RDONLY | O_CLOEXEC));
        std::ofstream out(pdf, std::ios::binary);
        rendered = TranslateApart(in.Get(), [&](const unsigned char* data, std::size_t size) {
                       out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
                       return S_OK;
                   })
                       .First();
    }
    std::string text;
    FILE* pipe = rendered == S_OK ? popen((tool + " " + pdf + " " + after).c_str(), "r") : nullptr;
    if (pipe != nullptr) {
        char buffer[4096];
        for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        pclose(pipe);
    }
    unlink(pdf.c_str());
    rmdir(folder);
    return text;
}
