// What the rest of the Linux layer needs from its kernel objects.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform.h"

class Event {
public:
    Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}

    void Set();
    void Reset();
    // False when the timeout passed first; INFINITE waits for ever.
    bool Wait(DWORD milliseconds);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const bool m_manualReset;
    bool m_signalled;
};

// The event behind a handle, kept alive for as long as the caller holds it even if the handle is
// closed meanwhile; null for a handle that is not an open event.
std::shared_ptr<Event> ReferenceEvent(HANDLE handle);
