#include "xps/page/painting_thread.h"

#include <deque>
#include <exception>
#include <limits>
#include <optional>
#include <utility>

#include "platform/linux/statuses.h"
#include "xps/document_failure.h"

namespace {

constexpr std::size_t kBatch = 256;
// What may wait to be painted, in bytes of the trees' text and nodes: a few batches of small trees, or
// one large one, so that reading ahead holds little of a page, however many pages it runs ahead.
constexpr std::size_t kMostHandedBytes = std::size_t{1} << 20;
// The painted are given back without waiting: the reading thread frees them before each hand-over, so
// they are never more than the batches handed.
constexpr std::size_t kNoBound = std::numeric_limits<std::size_t>::max();
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

PaintingThread::PaintingThread() : m_handed(kMostHandedBytes), m_painted(kNoBound), m_thread([this] { Run(); })
{
    m_batch.reserve(kBatch);
}

PaintingThread::~PaintingThread()
{
    m_painted.Stop();
    m_handed.Close();
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

// Frees what was painted, and rethrows the painting's failure once the batches before it are freed.
void PaintingThread::Send()
{
    while (m_painted.TryTake()) {
    }
    // Refused once the painting has failed, which then ends what was painted.
    if (!m_handed.Put(std::exchange(m_batch, {}), m_batchBytes)) {
        while (m_painted.Take()) {
        }
    }
    m_batch.reserve(kBatch);
    m_batchBytes = 0;
}

void PaintingThread::Finish()
{
    Send();
    m_handed.Close();
    while (m_painted.Take()) {
    }
}

void PaintingThread::Run()
{
    // The canvases begun, kept where the painter holds them until they end.
    std::deque<XmlElement> canvases;
    Painter* painter = nullptr;
    std::exception_ptr failure;
    while (std::optional<Batch> batch = m_handed.Take()) {
        try {
            for (Command& command : *batch) {
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
        if (!m_painted.Put(std::move(*batch)) || failure)
            break;
    }
    m_painted.Close(failure);
    // Wakes the reading thread, should it wait to hand more over after the painting failed.
    m_handed.Stop();
}
