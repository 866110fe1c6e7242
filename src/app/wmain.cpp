#include <iostream>

#include "submit/status.h"
#include "submit/submit.h"

int wmain(int argc, wchar_t* argv[])
{
    try {
        if (argc < 3) {
            std::wcout << L"Command line usage:" << std::endl;
            std::wcout << L"wrenpage printername filename.xps" << std::endl;
            return 1;
        }
        SubmitXpsDocument(argv[1], argv[2]);
        return 0;
    } catch (ATL::CAtlException e) {
        std::wcerr << L"Error " << static_cast<HRESULT>(e) << std::endl;
        return e;
    } catch (...) {
        std::wcerr << L"Unknown error" << std::endl;
        return 1;
    }
}
