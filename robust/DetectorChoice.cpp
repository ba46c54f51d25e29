#include "DetectorChoice.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kStretchSeconds = 0.25;  // a stretch, at least
constexpr size_t kReserve = 2048;         // events per framer, reserved once

}  // namespace

CDetectorChoice::CDetectorChoice() {
    m_crossings.m_events.reserve(kReserve);
    m_edges.m_events.reserve(kReserve);
}

void CDetectorChoice::Reset() {
    for (CPending* pPending : {&m_crossings, &m_edges}) {
        pPending->m_events.clear();
        pPending->m_dFloor = 0.0;
        pPending->m_dLast = 0.0;
    }
    m_nEdgeStretches = 0;
}

CFramerEvents& CDetectorChoice::Events(EDetector eDetector) {
    return eDetector == EDetector::kCrossings ? m_crossings : m_edges;
}

void CDetectorChoice::CPending::OnByte(const SFramedByte& byte) {
    SChoiceEvent event{EChoiceEvent::kByte, byte};
    event.m_byte.m_dStart = std::max(byte.m_dStart, m_dFloor);
    m_dLast = event.m_byte.m_dStart;
    m_events.push_back(event);
}

void CDetectorChoice::CPending::OnFailure(double dAt) {
    SChoiceEvent event{EChoiceEvent::kFailure, {}};
    event.m_byte.m_dStart = std::max(dAt, m_dFloor);
    m_events.push_back(event);
}

void CDetectorChoice::CPending::OnBlockEnd() {
    // With the block's last byte, so that both fall in one stretch.
    SChoiceEvent event{EChoiceEvent::kBlockEnd, {}};
    event.m_byte.m_dStart = std::max(m_dLast, m_dFloor);
    m_events.push_back(event);
}

void CDetectorChoice::Advance(double dSettled, std::vector<SChoiceEvent>& out) {
    Decide(dSettled, out);
}

void CDetectorChoice::Finish(std::vector<SChoiceEvent>& out) {
    Decide(std::numeric_limits<double>::infinity(), out);
}

double CDetectorChoice::SeamAfter(double dFrom) const {
    // Half-way between the first byte from dFrom on and the one before it.
    for (const CPending* pPending : {&m_crossings, &m_edges}) {
        const std::vector<SChoiceEvent>& events = pPending->m_events;
        double dBefore = -1.0;
        for (const SChoiceEvent& event : events) {
            if (event.m_eKind != EChoiceEvent::kByte) {
                continue;
            }
            if (event.m_byte.m_dStart >= dFrom && dBefore >= 0.0) {
                return 0.5 * (dBefore + event.m_byte.m_dStart);
            }
            dBefore = event.m_byte.m_dStart;
        }
    }
    return dFrom;
}

CDetectorChoice::SScore CDetectorChoice::ScoreBefore(const CPending& pending, double dSeam) {
    SScore score;
    score.m_fLeastConfidence = std::numeric_limits<float>::infinity();
    for (const SChoiceEvent& event : pending.m_events) {
        if (event.m_byte.m_dStart >= dSeam) {
            break;
        }
        if (event.m_eKind == EChoiceEvent::kByte) {
            score.m_fLeastConfidence =
                std::min(score.m_fLeastConfidence, event.m_byte.m_fConfidence);
        }
        score.m_nBytes += event.m_eKind == EChoiceEvent::kByte ? 1 : 0;
        score.m_nLost += event.m_eKind == EChoiceEvent::kFailure ? 1 : 0;
    }
    return score;
}

bool CDetectorChoice::SameBytesBefore(double dSeam) const {
    auto edge = m_edges.m_events.begin();
    for (const SChoiceEvent& event : m_crossings.m_events) {
        if (event.m_byte.m_dStart >= dSeam) {
            break;
        }
        if (event.m_eKind != EChoiceEvent::kByte) {
            continue;
        }
        while (edge != m_edges.m_events.end() && edge->m_eKind != EChoiceEvent::kByte) {
            ++edge;
        }
        if (edge == m_edges.m_events.end() || edge->m_byte.m_nValue != event.m_byte.m_nValue) {
            return false;
        }
        ++edge;
    }
    return true;
}

void CDetectorChoice::Take(CPending& pending, double dSeam, std::vector<SChoiceEvent>* pOut) {
    std::vector<SChoiceEvent>& events = pending.m_events;
    const auto end = std::find_if(events.begin(), events.end(), [dSeam](const SChoiceEvent& e) {
        return e.m_byte.m_dStart >= dSeam;
    });
    if (pOut != nullptr) {
        pOut->insert(pOut->end(), events.begin(), end);
    }
    events.erase(events.begin(), end);
    pending.m_dFloor = std::max(pending.m_dFloor, dSeam);
}

void CDetectorChoice::Decide(double dLimit, std::vector<SChoiceEvent>& out) {
    for (;;) {
        const bool bCrossings = !m_crossings.m_events.empty();
        const bool bEdges = !m_edges.m_events.empty();
        if (!bCrossings && !bEdges) {
            return;
        }
        const double dFirst = std::min(bCrossings ? m_crossings.m_events.front().m_byte.m_dStart
                                                  : std::numeric_limits<double>::infinity(),
                                       bEdges ? m_edges.m_events.front().m_byte.m_dStart
                                              : std::numeric_limits<double>::infinity());
        const bool bAll = dLimit == std::numeric_limits<double>::infinity();
        if (!bAll && dFirst + kStretchSeconds > dLimit) {
            return;
        }
        double dSeam = SeamAfter(dFirst + kStretchSeconds);
        if (bAll && dSeam == dFirst + kStretchSeconds) {
            // No byte after the stretch: the rest is one stretch.
            dSeam = std::numeric_limits<double>::infinity();
        }
        // An event at the seam's very time must not hold the loop.
        dSeam = std::max(dSeam, std::nextafter(dFirst, std::numeric_limits<double>::infinity()));
        if (dSeam > dLimit) {
            return;  // a framer may still report events before the seam
        }
        const SScore crossings = ScoreBefore(m_crossings, dSeam);
        const SScore edges = ScoreBefore(m_edges, dSeam);
        const bool bCrossingsClean = crossings.m_nLost == 0 && crossings.m_nBytes >= edges.m_nBytes;
        const bool bOtherValues = bCrossingsClean && edges.m_nLost == 0 &&
                                  edges.m_nBytes == crossings.m_nBytes && !SameBytesBefore(dSeam);
        const int32_t nNetCrossings = crossings.m_nBytes - crossings.m_nLost;
        const int32_t nNetEdges = edges.m_nBytes - edges.m_nLost;
        const bool bEdgesWin = bOtherValues
                                   ? edges.m_fLeastConfidence > crossings.m_fLeastConfidence
                                   : !bCrossingsClean && edges.m_nBytes > crossings.m_nBytes &&
                                         nNetEdges > nNetCrossings;
        m_nEdgeStretches += bEdgesWin ? 1 : 0;
        Take(m_crossings, dSeam, bEdgesWin ? nullptr : &out);
        Take(m_edges, dSeam, bEdgesWin ? &out : nullptr);
    }
}
