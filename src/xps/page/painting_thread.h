// Painting a document's pages on a thread of their own while their markup is read: for pages of many
// small shapes the two take about as long, and neither waits for the other at the end of a page.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "xps/page/page_reader.h"
#include "xps/page/painter.h"

class PaintingThread final : public PageDrawer {
public:
    PaintingThread();
    PaintingThread(const PaintingThread&) = delete;
    PaintingThread& operator=(const PaintingThread&) = delete;
    // Stops the painting, where it is, and waits for the thread.
    ~PaintingThread();

    void BeginCanvas(const XmlElement& canvas) override;
    void EndCanvas() override;
    void Draw(XmlElement element) override;
    // Runs step on the painting thread, after what was handed over before it: a page's start, which
    // gives the painter of what follows, or its end, which gives none.
    void Then(std::function<Painter*()> step);

    // Waits until all handed over is painted; rethrows the painting's failure, which comes before any
    // the reading met further on.
    void Finish();

private:
    enum class Step { Begin, End, Draw, Then };
    struct Command {
        Step step;
        XmlElement element;
        std::function<Painter*()> then;
    };

    void Hand(Command command);
    void Send();
    void CheckPainting();
    void Run();

    // Commands go over in batches: handing over each Path would cost more than painting it.
    std::vector<Command> m_batch;
    std::size_t m_batchBytes = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Command> m_handed;
    std::size_t m_handedBytes = 0;
    // Painted, and given back to be freed where they were made: freeing them on the painting thread
    // would have the two threads contend for the allocator.
    std::vector<std::vector<Command>> m_painted;
    std::exception_ptr m_failure;
    bool m_finishing = false;
    bool m_done = false;
    bool m_stopping = false;
    // Last: it starts once the rest exists.
    std::thread m_thread;
};
