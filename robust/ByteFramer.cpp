#include "ByteFramer.h"

#include <algorithm>
#include <cmath>

namespace {

// A short clean run that ends the block counts only this many bytes' time
// after the break.
constexpr double kNearBreakBytes = 3.0;

}  // namespace

CByteFramer::CByteFramer(const SRobustConfig& config, CHalfPeriodTiming& timing,
                         CFramerEvents& events)
    : m_config(config), m_timing(timing), m_events(events), m_leader(config) {}

void CByteFramer::Reset() {
    m_leader.Reset();
    m_parse.Restart();
    m_eMode = EMode::kSeekLeader;
    m_nHead = m_nNext = m_nResyncFrom = 0;
    m_dByteSeconds = 0.0;
    m_dHeadEnd = m_dPassed = m_dEndFrom = 0.0;
    m_dEndedAt = -1.0;
    m_bSkipLeader = false;
}

double CByteFramer::ByteSeconds() const {
    if (m_dByteSeconds > 0.0) {
        return m_dByteSeconds;
    }
    // A byte of random bits: the opening long one, eight bits of on average
    // one long or two short ones, and a closing long one half the time.
    return 5.5 * m_timing.Long() + 8.0 * m_timing.Short();
}

EHalfClass CByteFramer::Add(const SHalfPeriod& measured) {
    if (m_dEndedAt >= 0.0) {
        const bool bTaken = measured.m_dStart == m_dEndedAt;
        m_dEndedAt = -1.0;
        if (bTaken) {
            // The gap that Pass took as ending at its time: framed already,
            // but for the end gap at its real end.
            SHalfPeriod half = measured;
            m_timing.Classify(half);
            m_dHeadEnd = half.m_dStart + half.m_dLength;
            EndIfGapPassed(m_dHeadEnd);
            return half.m_eClass;
        }
        m_bSkipLeader = false;
    }
    // Classed in its place in the ring, field by field: a copy of the
    // whole just after its class was written would wait for that store.
    SHalfPeriod& half = m_ring[static_cast<size_t>(m_nHead & (kRing - 1))];
    half.m_dStart = measured.m_dStart;
    half.m_dLength = measured.m_dLength;
    m_timing.Classify(half);
    ++m_nHead;
    m_dHeadEnd = half.m_dStart + half.m_dLength;
    const bool bSkipLeader = m_bSkipLeader;
    m_bSkipLeader = false;
    switch (m_eMode) {
        case EMode::kSeekLeader:
            m_nNext = m_nHead;
            if (!bSkipLeader && m_leader.Add(half.m_dLength)) {
                m_timing.Learn(m_leader.Mean());
                m_eMode = EMode::kAwaitStart;
            }
            break;
        case EMode::kAwaitStart:
        case EMode::kData:
            Pump();
            break;
        case EMode::kResync:
            Pump();
            if (m_eMode != EMode::kResync) {
                break;
            }
            if (m_leader.Add(half.m_dLength)) {
                EndBlock(true);
            } else if (half.m_dStart + half.m_dLength - m_dLastGood > m_config.m_dBlockEndGap) {
                EndBlock(false);
            } else if (m_nHead - m_nResyncFrom > kRing / 2) {
                // Nothing in the look-ahead frames cleanly: give up its oldest part.
                m_nResyncFrom = m_nHead - kRing / 2;
            }
            break;
    }
    return half.m_eClass;
}

void CByteFramer::Pump() {
    while (m_nNext < m_nHead) {
        if (m_eMode == EMode::kResync) {
            if (!TryResync(false)) {
                return;
            }
            continue;
        }
        const SHalfPeriod& half = At(m_nNext++);
        if (m_eMode == EMode::kAwaitStart) {
            // The leader goes on up to the first long half-period.
            if (half.m_eClass == EHalfClass::kShort) {
                m_timing.Follow(half);
                continue;
            }
            if (half.m_eClass == EHalfClass::kGlitch) {
                continue;
            }
            if (half.m_eClass == EHalfClass::kGap) {
                m_eMode = EMode::kSeekLeader;
                m_leader.Reset();
                continue;
            }
            m_eMode = EMode::kData;
            m_dByteSeconds = 0.0;
            m_dEndFrom = half.m_dStart;
            m_parse.Restart();
        }
        TakeData(half);
    }
}

void CByteFramer::TakeData(const SHalfPeriod& half) {
    SFramedByte byte;
    switch (m_parse.Take(half, byte)) {
        case CByteParse::EStep::kMore:
            m_timing.Follow(half);
            return;
        case CByteParse::EStep::kByte: {
            m_timing.Follow(half);
            const double dLength = byte.m_dEnd - byte.m_dStart;
            m_dByteSeconds =
                m_dByteSeconds > 0.0 ? m_dByteSeconds + (dLength - m_dByteSeconds) / 16.0 : dLength;
            m_dLastGood = byte.m_dEnd;
            m_dEndFrom = byte.m_dStart;
            m_events.OnByte(byte);
            return;
        }
        case CByteParse::EStep::kBroken:
            break;
    }
    // Candidates start after the broken byte's opening half-period (or at
    // the half-period that should have opened one).
    const bool bBetween = m_parse.IsBetweenBytes();
    StartResync(bBetween ? half.m_dStart : m_parse.ByteStart(), bBetween ? m_nNext - 1 : m_nNext,
                !bBetween);
}

void CByteFramer::StartResync(double dFailAt, int64_t nFrom, bool bInsideByte) {
    m_eMode = EMode::kResync;
    m_dFailAt = dFailAt;
    m_bFailInsideByte = bInsideByte;
    m_nResyncFrom = std::max(nFrom, m_nHead - kRing / 2);
    m_nNext = m_nHead;
    m_leader.Reset();
    m_parse.Restart();
}

CByteFramer::SRun CByteFramer::CleanRun(int64_t nFrom) const {
    SRun run;
    CByteParse parse;
    SFramedByte byte;
    int32_t nShorts = 0;  // short half-periods after the last byte
    for (int64_t n = nFrom; n < m_nHead; ++n) {
        const SHalfPeriod& half = At(n);
        if (run.m_nBytes > 0 && parse.IsBetweenBytes() && half.m_eClass != EHalfClass::kLong) {
            // After a byte: a tail of short half-periods into a gap, or the
            // next leader, ends the block cleanly.
            if (half.m_eClass == EHalfClass::kShort) {
                if (++nShorts >= 16) {
                    run.m_eEnd = ERunEnd::kBlockEnd;
                    return run;
                }
                continue;
            }
            run.m_eEnd = (half.m_eClass == EHalfClass::kGap && nShorts >= 2) ? ERunEnd::kBlockEnd
                                                                             : ERunEnd::kBroken;
            return run;
        }
        if (nShorts > 0) {
            run.m_eEnd = ERunEnd::kBroken;  // a long one after a few short ones
            return run;
        }
        switch (parse.Take(half, byte)) {
            case CByteParse::EStep::kMore:
                break;
            case CByteParse::EStep::kByte:
                if (++run.m_nBytes >= m_config.m_nResyncMaxBytes) {
                    run.m_eEnd = ERunEnd::kFull;
                    return run;
                }
                break;
            case CByteParse::EStep::kBroken:
                run.m_eEnd = ERunEnd::kBroken;
                return run;
        }
    }
    return run;
}

bool CByteFramer::TryResync(bool bFinal) {
    const int32_t nMin = m_config.m_nResyncMinBytes;
    int64_t nFirstGood = -1;
    int64_t nBest = -1;
    int32_t nBestBytes = 0;
    for (int64_t n = m_nResyncFrom; n < m_nHead; ++n) {
        if (nFirstGood >= 0 && n > nFirstGood + m_config.m_nResyncWindow) {
            break;
        }
        if (At(n).m_eClass != EHalfClass::kLong) {
            if (nFirstGood < 0) {
                m_nResyncFrom = n + 1;
            }
            continue;
        }
        const SRun run = CleanRun(n);
        // Fewer bytes do if the block ends cleanly after them, close to the
        // break: the last bytes of a block.
        const bool bNearBreak = At(n).m_dStart - m_dFailAt < kNearBreakBytes * ByteSeconds();
        const bool bGood = run.m_nBytes >= nMin ||
                           (run.m_eEnd == ERunEnd::kBlockEnd && run.m_nBytes > 0 && bNearBreak);
        if (run.m_eEnd == ERunEnd::kOpen && !bFinal) {
            return false;  // its run may still grow: wait for more half-periods
        }
        if (!bGood) {
            if (nFirstGood < 0) {
                m_nResyncFrom = n + 1;  // ruled out for good
            }
            continue;
        }
        if (nFirstGood < 0) {
            nFirstGood = n;
        }
        if (run.m_nBytes > nBestBytes) {
            nBest = n;
            nBestBytes = run.m_nBytes;
        }
    }
    if (nBest < 0) {
        return false;
    }
    if (!bFinal && nFirstGood + m_config.m_nResyncWindow >= m_nHead) {
        return false;  // the window of candidates is not all there yet
    }
    CommitResync(nBest);
    return true;
}

void CByteFramer::CommitResync(int64_t nCandidate) {
    const double dResume = At(nCandidate).m_dStart;
    const double dGap = std::max(0.0, dResume - m_dFailAt);
    // A broken byte is lost; a stray half-period between bytes need not be.
    const auto nLost =
        std::max<int64_t>(m_bFailInsideByte ? 1 : 0, std::llround(dGap / ByteSeconds()));
    for (int64_t k = 0; k < nLost; ++k) {
        m_events.OnFailure(m_dFailAt + dGap * static_cast<double>(k) / static_cast<double>(nLost));
    }
    m_eMode = EMode::kData;
    m_parse.Restart();
    m_nNext = nCandidate;
}

void CByteFramer::EndBlock(bool bLeaderFound) {
    m_events.OnBlockEnd();
    m_parse.Restart();
    if (bLeaderFound) {
        m_timing.Learn(m_leader.Mean());
        m_eMode = EMode::kAwaitStart;
    } else {
        m_eMode = EMode::kSeekLeader;
        m_timing.Reset();
    }
    m_leader.Reset();
    m_nNext = m_nHead;
}

void CByteFramer::Finish() {
    while (m_eMode == EMode::kResync && TryResync(true)) {
        Pump();
    }
    if (m_eMode != EMode::kSeekLeader) {
        EndBlock(false);
    }
}

void CByteFramer::Pass(double dNow) {
    m_dPassed = std::max(m_dPassed, dNow);
    const bool bInData = m_eMode == EMode::kData || m_eMode == EMode::kResync;
    if (!bInData) {
        return;
    }
    if (m_dEndedAt >= 0.0) {
        EndIfGapPassed(dNow);  // the gap taken already goes on
        return;
    }
    if (dNow - m_dLastGood <= m_config.m_dBlockEndGap || dNow - m_dHeadEnd <= m_timing.LongMax()) {
        return;
    }
    // The half-period in progress is a gap, however long it gets, and the
    // block's end gap has passed: framed as if it ended now (a resync may
    // settle on it). Data breaks there, and the resync ends the block at the
    // next half-period, which then joins no leader; a resync ends it at the
    // gap itself.
    const bool bFromData = m_eMode == EMode::kData;
    const double dFrom = m_dHeadEnd;
    Add({dFrom, dNow - dFrom});
    m_dEndedAt = dFrom;
    const bool bOpen = m_eMode == EMode::kResync;
    EndIfGapPassed(dNow);
    m_bSkipLeader = bFromData && bOpen && m_eMode == EMode::kSeekLeader;
}

void CByteFramer::EndIfGapPassed(double dNow) {
    if (m_eMode == EMode::kResync && dNow - m_dLastGood > m_config.m_dBlockEndGap) {
        EndBlock(false);
    }
}

double CByteFramer::Settled() const {
    switch (m_eMode) {
        case EMode::kSeekLeader:
            // A byte needs a whole leader first: it opens two half-periods on at the least.
            return std::max(m_dHeadEnd, m_dPassed);
        case EMode::kAwaitStart:
            return m_dHeadEnd;  // the next half-period may open a byte
        case EMode::kData:
        case EMode::kResync:
            break;
    }
    return m_dEndFrom;
}
