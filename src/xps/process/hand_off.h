// Work handed from one thread to another through a bounded queue: the giver waits while it is full and
// the taker while it is empty, so neither runs further ahead than the bound, and either side may end
// the hand-off without leaving the other waiting.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

// For one giving thread and one taking thread. Each item has a size, one unless given, and the queue is
// full once the sizes it holds reach its capacity.
template <class T>
class HandOff {
public:
    explicit HandOff(std::size_t capacity) : m_capacity(capacity) {}
    HandOff(const HandOff&) = delete;
    HandOff& operator=(const HandOff&) = delete;

    // Waits for room, which an item of any size fits; false, with item dropped, once the taker has
    // stopped.
    bool Put(T item, std::size_t size = 1)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_held < m_capacity || m_stopped; });
        if (m_stopped)
            return false;
        m_items.emplace_back(std::move(item), size);
        m_held += size;
        m_filled.notify_one();
        return true;
    }

    // The giver's last word: the taker gets what was put before, then the failure, if any, or none.
    void Close(std::exception_ptr failure = nullptr)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_failure = failure;
        m_filled.notify_one();
    }

    // Waits for the next item; none once the giver has closed and all was taken, when its failure is
    // rethrown instead, as often as it is asked for.
    std::optional<T> Take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_filled.wait(lock, [this] { return !m_items.empty() || m_closed; });
        return Pop();
    }

    // As Take, without waiting: none while the queue is empty and open.
    std::optional<T> TryTake()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return Pop();
    }

    // The taker's last word: a giver waiting for room, or putting later, gets false.
    void Stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
        m_room.notify_one();
    }

private:
    std::optional<T> Pop()
    {
        if (m_items.empty()) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return std::nullopt;
        }
        std::optional<T> item(std::move(m_items.front().first));
        m_held -= m_items.front().second;
        m_items.pop_front();
        m_room.notify_one();
        return item;
    }

    const std::size_t m_capacity;
    std::mutex m_mutex;
    // Two, so that each side wakes only for what it waits for.
    std::condition_variable m_room;
    std::condition_variable m_filled;
    std::deque<std::pair<T, std::size_t>> m_items;
    std::size_t m_held = 0;
    std::exception_ptr m_failure;
    bool m_closed = false;
    bool m_stopped = false;
};
