// One thread that runs the studio's jobs in the order they come.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class CWorker {
public:
    CWorker();
    // Runs the jobs already given, then ends the thread.
    ~CWorker();
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;

    void Add(std::function<void()> job);
    // Whether a job runs or waits.
    bool IsBusy() const;
    // Returns once no job runs or waits.
    void WaitIdle() const;

private:
    void Run();
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<std::function<void()>> m_jobs;
    bool m_bRunning = false;
    bool m_bStop = false;
    std::thread m_thread;
};
