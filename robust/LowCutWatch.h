// CLowCutWatch: the low-cut probe for a recording whose first seconds held
// no bytes to tell by (a stream, whose decoding starts at once, or a file
// that starts with a long silence or leader). It keeps the last half
// second of the signal as decoding sees it; once a block's first byte has
// been framed, it collects two seconds more, so that it holds the leader's
// end and the first bytes, and probes them (ProbeLowCut). Where they tell
// nothing either, it waits for the next block. The inverse it finds is
// undone from then on.
#pragma once

#include <cstdint>
#include <vector>

#include "LowCutProbe.h"
#include "RobustConfig.h"

class CLowCutWatch {
public:
    explicit CLowCutWatch(const SRobustConfig& config) : m_config(config) {}

    // Watches a recording at dRate chain samples per second; bEdges: the
    // edges run beside the crossings.
    void Start(double dRate, bool bEdges);
    void Stop() { m_bWatching = false; }
    bool IsWatching() const { return m_bWatching; }

    // nCount samples as decoding sees them; bBlockBegun: a block's first
    // byte was framed in them. True once the watch has decided: Result()
    // then tells.
    bool Add(const double* pSamples, int32_t nCount, bool bBlockBegun);
    const SLowCut& Result() const { return m_result; }

private:
    const SRobustConfig& m_config;
    double m_dRate = 0.0;
    bool m_bEdges = false;
    bool m_bWatching = false;
    bool m_bCollecting = false;  // a block has begun: the probe's seconds are coming
    size_t m_nHistory = 0;       // samples kept before a leader is found
    size_t m_nWanted = 0;        // samples the probe looks at
    std::vector<double> m_samples;
    SLowCut m_result;
};
