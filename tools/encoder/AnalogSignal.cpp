#include "AnalogSignal.h"

#include <algorithm>
#include <limits>

#include "TapeReader.h"

CAnalogSignal::CAnalogSignal(CTapeTimeline& timeline, CTimeWarp& warp, int32_t nRate)
    : m_timeline(timeline), m_warp(warp), m_dRate(nRate) {
    Advance();
}

void CAnalogSignal::Advance() {
    STapeEdge edge;
    if (!m_timeline.Next(edge)) {
        m_dEdge = std::numeric_limits<double>::infinity();
        m_dEdgeLevel = 0;
        return;
    }
    const double dTape = edge.m_dTicks / CTapeReader::kTickRate;
    m_dEdge = m_warp.PlaybackTime(dTape) * m_dRate;
    m_dEdgeLevel = edge.m_nLevel;
}

void CAnalogSignal::Render(std::span<double> samples) {
    for (double& dSample : samples) {
        const auto dStart = static_cast<double>(m_nSample);
        const double dEnd = dStart + 1.0;
        ++m_nSample;
        if (m_dEdge >= dEnd) {
            dSample = m_dLevel;
            continue;
        }
        double dSum = 0;
        double dAt = dStart;
        while (m_dEdge < dEnd) {
            const double dEdge = std::max(m_dEdge, dAt);
            dSum += m_dLevel * (dEdge - dAt);
            dAt = dEdge;
            m_dLevel = m_dEdgeLevel;
            Advance();
        }
        dSample = dSum + m_dLevel * (dEnd - dAt);
    }
}
