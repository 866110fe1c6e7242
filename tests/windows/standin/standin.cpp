#include "standin.h"

#include <cwchar>
#include <string>

namespace {

std::wstring InProgramFolder(LPCWSTR leaf)
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    path.erase(path.find_last_of(L'\\') + 1);
    return path + leaf;
}

void Append(LPCWSTR leaf, const void* bytes, DWORD count)
{
    // Opened for appending only, so lines from the two stand-ins and their threads never overlap.
    FileHandle file(CreateFileW(InProgramFolder(leaf).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Get() != INVALID_HANDLE_VALUE)
        WriteFile(file.Get(), bytes, count, &written, nullptr);
}

std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

}  // namespace

std::wstring Setting(LPCWSTR name, LPCWSTR fallback)
{
    std::wstring value(1024, L'\0');
    value.resize(GetPrivateProfileStringW(L"standin", name, fallback, value.data(), static_cast<DWORD>(value.size()),
                                          InProgramFolder(L"standin.ini").c_str()));
    return value;
}

int IntegerSetting(LPCWSTR name, int fallback)
{
    const std::wstring value = Setting(name, L"");
    return value.empty() ? fallback : static_cast<int>(std::wcstoll(value.c_str(), nullptr, 0));
}

void Record(std::initializer_list<LPCWSTR> fields)
{
    std::wstring line;
    for (LPCWSTR field : fields) {
        if (!line.empty())
            line += L'\t';
        line += field != nullptr ? field : L"(null)";
    }
    const std::string bytes = Utf8(line + L'\n');
    Append(L"standin.log", bytes.data(), static_cast<DWORD>(bytes.size()));
}

void RecordStreamBytes(const void* bytes, ULONG count)
{
    Append(L"stream.bin", bytes, count);
}
