// Linux process start-up: hands the arguments to the tool as wide strings and its status to the process.
#include <vector>

#include "platform/linux/startup.h"

int main(int argc, char* argv[])
{
    std::vector<std::wstring> arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.push_back(WideFromBytes(argv[i]));

    std::vector<wchar_t*> pointers;
    for (std::wstring& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    return ExitCodeFromStatus(wmain(argc, pointers.data()));
}
