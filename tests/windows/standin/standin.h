// What both stand-ins share. Their settings and their record live in the folder of the program
// that loaded them, so every test case configures and reads a folder of its own.
#pragma once

#include <initializer_list>
#include <string>

#include <windows.h>

// One kernel file handle; INVALID_HANDLE_VALUE means none.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : m_handle(handle) {}
    ~FileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const noexcept { return m_handle; }

private:
    HANDLE m_handle;
};

// The value of name in the [standin] section of standin.ini, or fallback.
std::wstring Setting(LPCWSTR name, LPCWSTR fallback);
int IntegerSetting(LPCWSTR name, int fallback);

// Appends one line to standin.log: the fields in UTF-8, separated by tabs. A null string is
// recorded as "(null)".
void Record(std::initializer_list<LPCWSTR> fields);

// Appends bytes to stream.bin, exactly as they arrived.
void RecordStreamBytes(const void* bytes, ULONG count);
