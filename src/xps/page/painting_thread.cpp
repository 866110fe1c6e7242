#include "xps/page/painting_thread.h"

#include <deque>
#include <iterator>
#include <utility>

#include "xps/document_failure.h"
#include "xps/document_status.h"

namespace {

constexpr std::size_t kBatch = 256;
// What may wait to be painted, in bytes of the trees' text and nodes: a few batches of small trees, or
// one large one, so that reading ahead holds little of a page, however many pages it runs ahead.
constexpr std::size_t kMostHandedBytes = std::size_t{1} << 20;
constexpr std::size_t kNodeBytes = 64;

std::size_t Bytes(const XmlElement& element)
{
    std::size_t bytes = kNodeBytes + element.name.size() + element.packed.size();
    for (const XmlAttribute& attribute : element.attributes)
        bytes += kNodeBytes + attribute.name.size() + attribute.value.size();
    for (const XmlElement& child : element.children)
        bytes += Bytes(child);
    return bytes;
}

}  // namespace

PaintingThread::PaintingThread() : m_thread([this] { Run(); })
{
    m_batch.reserve(kBatch);
}

PaintingThread::~PaintingThread()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PaintingThread::BeginCanvas(const XmlElement& canvas) { Hand({Step::Begin, canvas, {}}); }

void PaintingThread::EndCanvas() { Hand({Step::End, {}, {}}); }

void PaintingThread::Draw(XmlElement element) { Hand({Step::Draw, std::move(element), {}}); }

void PaintingThread::Then(std::function<Painter*()> step) { Hand({Step::Then, {}, std::move(step)}); }

void PaintingThread::Hand(Command command)
{
    m_batchBytes += Bytes(command.element);
    m_batch.push_back(std::move(command));
    if (m_batch.size() == kBatch || m_batchBytes >= kMostHandedBytes)
        Send();
}

void PaintingThread::Send()
{
    std::vector<std::vector<Command>> painted;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_handedBytes < kMostHandedBytes || m_failure; });
        CheckPainting();
        std::move(m_batch.begin(), m_batch.end(), std::back_inserter(m_handed));
        m_handedBytes += m_batchBytes;
        std::swap(painted, m_painted);
        m_changed.notify_all();
    }
    m_batch.clear();
    m_batchBytes = 0;
}

// Rethrows the painting's failure, with the lock held.
void PaintingThread::CheckPainting()
{
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void PaintingThread::Finish()
{
    Send();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_finishing = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_done || m_failure; });
    CheckPainting();
}

void PaintingThread::Run()
{
    // The canvases begun, kept where the painter holds them until they end.
    std::deque<XmlElement> canvases;
    Painter* painter = nullptr;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_handed.empty() || m_finishing || m_stopping; });
        if (m_stopping)
            return;
        if (m_handed.empty()) {
            m_done = true;
            m_changed.notify_all();
            return;
        }
        std::vector<Command> batch = std::exchange(m_handed, {});
        m_handedBytes = 0;
        m_changed.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            for (Command& command : batch) {
                if (command.step == Step::Then) {
                    painter = command.then();
                } else if (painter == nullptr) {
                    ThrowDocument(E_UNEXPECTED);
                } else if (command.step == Step::Begin) {
                    canvases.push_back(std::move(command.element));
                    painter->BeginCanvas(canvases.back());
                } else if (command.step == Step::End) {
                    painter->EndCanvas();
                    canvases.pop_back();
                } else {
                    painter->PaintElement(command.element);
                }
            }
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_painted.push_back(std::move(batch));
        if (failure) {
            m_failure = failure;
            m_changed.notify_all();
            return;
        }
    }
}
