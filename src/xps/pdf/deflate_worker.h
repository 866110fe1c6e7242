// Deflates one stream's data at a time on a thread of its own, so that a page's content is compressed
// while the next page is drawn.
#pragma once

#include <string>
#include <thread>

#include "xps/process/hand_off.h"

class DeflateWorker {
public:
    DeflateWorker() = default;
    DeflateWorker(const DeflateWorker&) = delete;
    DeflateWorker& operator=(const DeflateWorker&) = delete;
    // Waits for the data being deflated, if any, and for the thread.
    ~DeflateWorker();

    // Begins deflating data; what was begun before must have been taken.
    void Start(std::string data);
    // Waits for the data begun last, deflated; rethrows the deflater's failure.
    std::string Take();

private:
    void Run();

    HandOff<std::string> m_input{1};
    HandOff<std::string> m_output{1};
    bool m_begun = false;
    // Started with the first stream: most documents' other streams are small.
    std::thread m_thread;
};
