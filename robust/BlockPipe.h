// CBlockPipe: the chain's first stages on a thread of their own. Reading,
// box means, filters and level (the work per sample) fill blocks a few
// ahead of the crossings and the framing (the work per half-period), which
// the conversion run drives from its thread, so that on a machine of two
// cores or more each half takes about half the time. The blocks come out
// in order and hold exactly what one thread would have made of them.
//
// A fixed ring of kSlots blocks, sized once: nothing is allocated while
// the pipe runs. Without a thread of its own, Next fills each block itself
// when it is asked for it.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "CrossingDetector.h"

struct SConditionedBlock {
    std::vector<double> m_chain;          // chain samples, filtered
    std::vector<double> m_levels;         // their levels
    int32_t m_nCount = 0;                 // samples in use
    float m_fPeak = 0.0f;                 // full scale 1: the largest before the filters
    std::vector<SCrossingEvent> m_edges;  // the edges found in them (room for m_nCount + 2) ...
    int32_t m_nEdges = 0;                 // ... how many
    bool m_bEnd = false;                  // no samples: the input has ended ...
    bool m_bReadError = false;            // ... because reading it failed
};

class CBlockPipe {
public:
    // Fills a block; false once it has marked the end.
    using FFill = std::function<bool(SConditionedBlock&)>;

    CBlockPipe() = default;
    ~CBlockPipe() { Stop(); }
    CBlockPipe(const CBlockPipe&) = delete;
    CBlockPipe& operator=(const CBlockPipe&) = delete;

    // Blocks of up to nSamples each, filled by fill from now on: on a
    // thread of their own, unless the machine has one core only (where the
    // two would take turns) or bOwnThread says no. bEdges: whether the
    // blocks have room for edges (m_edges), or none.
    void Start(int32_t nSamples, bool bEdges, FFill fill,
               bool bOwnThread = std::thread::hardware_concurrency() != 1);
    // Waits for the thread and leaves the blocks not yet taken.
    void Stop();

    // The next block, in order; the last one marks the end. It stays the
    // caller's until Release.
    SConditionedBlock& Next();
    void Release();

private:
    static constexpr size_t kSlots = 4;

    void Run();

    std::array<SConditionedBlock, kSlots> m_slots;
    FFill m_fill;
    std::thread m_thread;  // not joinable: Next fills the blocks itself
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_nFilled = 0;  // blocks filled since Start ...
    size_t m_nTaken = 0;   // ... and released by the caller
    bool m_bStop = false;
};
