// Runs the tool's entry point in this process, with its standard streams captured.
#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int wmain(int argc, wchar_t* argv[]);

struct ToolRun {
    int status;
    std::wstring out;
    std::wstring err;
};

inline ToolRun RunTool(std::vector<std::wstring> arguments)
{
    arguments.insert(arguments.begin(), L"wrenpage");
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::wostringstream out;
    std::wostringstream err;
    std::wstreambuf* realOut = std::wcout.rdbuf(out.rdbuf());
    std::wstreambuf* realErr = std::wcerr.rdbuf(err.rdbuf());
    const int status = wmain(static_cast<int>(arguments.size()), argv.data());
    std::wcout.rdbuf(realOut);
    std::wcerr.rdbuf(realErr);
    return {status, out.str(), err.str()};
}
