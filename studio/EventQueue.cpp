#include "StudioEvents.h"

#include <utility>

void CEventQueue::Post(SStudioEvent event) {
    std::unique_lock lock(m_mutex);
    m_events.push_back(std::move(event));
    if (m_bDelivering) {
        return;
    }
    m_bDelivering = true;
    while (!m_events.empty()) {
        const SStudioEvent next = std::move(m_events.front());
        m_events.pop_front();
        lock.unlock();
        m_observer.OnStudioEvent(next);
        lock.lock();
    }
    m_bDelivering = false;
    m_idle.notify_all();
}

void CEventQueue::Flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_bDelivering && m_events.empty(); });
}
