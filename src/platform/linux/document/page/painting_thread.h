// Painting a large page on a thread of its own while its markup is read: for a page of many small
// shapes the two take about as long.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "page_reader.h"
#include "painter.h"

class PaintingThread final : public PageDrawer {
public:
    // Paints with painter, which must outlast this.
    explicit PaintingThread(Painter& painter);
    PaintingThread(const PaintingThread&) = delete;
    PaintingThread& operator=(const PaintingThread&) = delete;
    // Stops the painting, where it is, and waits for the thread.
    ~PaintingThread();

    void BeginCanvas(const XmlElement& canvas) override;
    void EndCanvas() override;
    void Draw(XmlElement element) override;

    // Waits until all handed over is painted; rethrows the painting's failure, which comes before any
    // the reading met further on.
    void Finish();

private:
    enum class Step { Begin, End, Draw };
    struct Command {
        Step step;
        XmlElement element;
    };

    void Hand(Step step, XmlElement element);
    void Send();
    void CheckPainting();
    void Run();

    Painter& m_painter;
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
