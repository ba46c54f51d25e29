#include "Worker.h"

#include <utility>

CWorker::CWorker() : m_thread([this] { Run(); }) {}

CWorker::~CWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CWorker::Add(std::function<void()> job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_changed.notify_all();
}

bool CWorker::IsBusy() const {
    std::lock_guard lock(m_mutex);
    return m_bRunning || !m_jobs.empty();
}

void CWorker::WaitIdle() const {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_bRunning && m_jobs.empty(); });
}

void CWorker::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return;  // stopped with nothing left
        }
        std::function<void()> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bRunning = true;
        lock.unlock();
        job();
        lock.lock();
        m_bRunning = false;
        m_changed.notify_all();
    }
}
