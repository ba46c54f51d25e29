// The tape's square wave as sample frames: the edges of a CTapeTimeline,
// moved to playback time by a CTimeWarp, area-sampled at the output rate.
// Sample n stands for the span [n, n + 1) of sample periods and takes the
// time-weighted mean of the levels in it, so that every edge keeps its exact
// sub-sample time.
#pragma once

#include <cstdint>
#include <span>

#include "TapeTimeline.h"
#include "TimeWarp.h"

class CAnalogSignal {
public:
    CAnalogSignal(CTapeTimeline& timeline, CTimeWarp& warp, int32_t nRate);

    // The next samples.size() samples, each from -1 to 1.
    void Render(std::span<double> samples);

private:
    void Advance();  // takes the next edge from the timeline

    CTapeTimeline& m_timeline;
    CTimeWarp& m_warp;
    double m_dRate;
    int64_t m_nSample = 0;  // the next sample
    double m_dLevel = 0;    // the level before m_dEdge
    double m_dEdge = 0;     // the next edge, in sample periods from the start
    double m_dEdgeLevel = 0;
};
