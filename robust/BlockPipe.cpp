#include "BlockPipe.h"

#include <system_error>
#include <utility>

void CBlockPipe::Start(int32_t nSamples, bool bEdges, FFill fill, bool bOwnThread) {
    Stop();
    for (SConditionedBlock& block : m_slots) {
        block.m_chain.resize(static_cast<size_t>(nSamples));
        block.m_levels.resize(static_cast<size_t>(nSamples));
        block.m_edges.resize(bEdges ? static_cast<size_t>(nSamples) + 2 : 0);
        block.m_nCount = 0;
        block.m_bEnd = block.m_bReadError = false;
    }
    m_fill = std::move(fill);
    m_nFilled = m_nTaken = 0;
    m_bStop = false;
    if (!bOwnThread) {
        return;  // Next fills the blocks itself when asked ...
    }
    try {
        m_thread = std::thread(&CBlockPipe::Run, this);
    } catch (const std::system_error&) {
        // ... as it does where no thread can be started
    }
}

void CBlockPipe::Stop() {
    if (m_thread.joinable()) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
}

void CBlockPipe::Run() {
    for (;;) {
        SConditionedBlock* pBlock = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_bStop || m_nFilled - m_nTaken < kSlots; });
            if (m_bStop) {
                return;
            }
            pBlock = &m_slots[m_nFilled % kSlots];
        }
        const bool bMore = m_fill(*pBlock);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            ++m_nFilled;
        }
        m_changed.notify_all();
        if (!bMore) {
            return;
        }
    }
}

SConditionedBlock& CBlockPipe::Next() {
    SConditionedBlock& block = m_slots[m_nTaken % kSlots];
    if (!m_thread.joinable()) {
        m_fill(block);
        return block;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_nFilled > m_nTaken; });
    return block;
}

void CBlockPipe::Release() {
    if (!m_thread.joinable()) {
        ++m_nTaken;
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nTaken;
    }
    m_changed.notify_all();
}
