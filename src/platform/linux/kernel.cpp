// Kernel services: the calling thread's last error, and events behind a process-wide handle table.
#include "platform/linux/kernel.h"

#include <chrono>
#include <cstdint>
#include <unordered_map>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

class HandleTable {
public:
    HANDLE Add(std::shared_ptr<Event> event)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Like Windows, handle values are multiples of four and never NULL or INVALID_HANDLE_VALUE.
        m_next += 4;
        m_events.emplace(m_next, std::move(event));
        return reinterpret_cast<HANDLE>(m_next);
    }

    std::shared_ptr<Event> Find(HANDLE handle)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto found = m_events.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == m_events.end() ? nullptr : found->second;
    }

    bool Remove(HANDLE handle)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events.erase(reinterpret_cast<std::uintptr_t>(handle)) == 1;
    }

private:
    std::mutex m_mutex;
    std::uintptr_t m_next = 0;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Event>> m_events;
};

HandleTable& Handles()
{
    static HandleTable table;
    return table;
}

// Fails as Windows does for a handle that is not an open event.
BOOL OnEvent(HANDLE handle, void (Event::*action)())
{
    auto event = Handles().Find(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    (event.get()->*action)();
    return TRUE;
}

}  // namespace

void Event::Set()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
    m_changed.notify_all();
}

void Event::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

bool Event::Wait(DWORD milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto signalled = [this] { return m_signalled; };
    if (milliseconds == INFINITE)
        m_changed.wait(lock, signalled);
    else if (!m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), signalled))
        return false;
    if (!m_manualReset)
        m_signalled = false;
    return true;
}

std::shared_ptr<Event> ReferenceEvent(HANDLE handle)
{
    return Handles().Find(handle);
}

extern "C" {

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD errorCode)
{
    t_lastError = errorCode;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    // Named events would be shared between processes; nothing here needs them, so say so honestly.
    if (name != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    return Handles().Add(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
}

BOOL SetEvent(HANDLE handle)
{
    return OnEvent(handle, &Event::Set);
}

BOOL ResetEvent(HANDLE handle)
{
    return OnEvent(handle, &Event::Reset);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    auto event = ReferenceEvent(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return event->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle)
{
    if (!Handles().Remove(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
