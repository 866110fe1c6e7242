// Painting a document's pages on a thread of their own while their markup is read: for pages of many
// small shapes the two take about as long, and neither waits for the other at the end of a page.
#pragma once

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

#include "xps/page/page_reader.h"
#include "xps/page/painter.h"
#include "xps/process/hand_off.h"

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

    using Batch = std::vector<Command>;

    void Hand(Command command);
    void Send();
    void Run();

    // Commands go over in batches: handing over each Path would cost more than painting it.
    Batch m_batch;
    std::size_t m_batchBytes = 0;
    HandOff<Batch> m_handed;
    // Painted, and given back to be freed where they were made: freeing them on the painting thread
    // would have the two threads contend for the allocator. Closed with the painting's failure.
    HandOff<Batch> m_painted;
    // Last: it starts once the rest exists.
    std::thread m_thread;
};
