// The half-period demodulator: scores, leader search and byte decoding.
#include "TapeReader.h"

namespace {

constexpr int32_t kScoreBudget = 45;  // a score is 45 minus the ticks counted
constexpr int32_t kLongBelow = 20;    // scores 5-19: long half-period
constexpr int32_t kTooLongBelow = 5;  // scores 0-4: longer than any data half-period
constexpr int32_t kLeaderMax = 40;    // the leader needs scores 5-40 ...
constexpr int32_t kLeaderRun = 80;    // ... this many in a row
constexpr int32_t kMidpointBit = 0x80;

}  // namespace

int32_t CTapeReader::MeasureHalfPeriod() {
    const int32_t nReference = NextSmoothed() & kMidpointBit;
    int32_t nBudget = kScoreBudget;
    for (;;) {
        --nBudget;
        const int32_t nValue = NextSmoothed();
        if (m_bEnd || nBudget < 1 || (nValue & kMidpointBit) != nReference) {
            return nBudget;
        }
    }
}

int32_t CTapeReader::FindLeader() {
    int32_t nRun = 0;
    while (!m_bEnd && nRun < kLeaderRun) {
        const int32_t nScore = MeasureHalfPeriod();
        if (nScore < kTooLongBelow || nScore > kLeaderMax) {
            nRun = 0;  // this one still counts as the first of the next run
        }
        ++nRun;
    }
    return m_bEnd ? 0 : 1;
}

int32_t CTapeReader::WaitStartMark() {
    while (!m_bEnd) {
        if (MeasureHalfPeriod() < kLongBelow) {
            break;
        }
    }
    return m_bEnd ? 0 : 1;
}

int32_t CTapeReader::ReadDataByte() {
    if (!WaitStartMark()) {
        return -1;
    }
    uint8_t nByte = 0;
    uint8_t nLevel = 0;
    for (int nBit = 0; nBit < 8; ++nBit) {
        const int32_t nScore = MeasureHalfPeriod();
        if (nScore < kLongBelow) {
            // One long half-period: the level changes.
            nLevel = static_cast<uint8_t>(kMidpointBit - nLevel);
            if (nScore < kTooLongBelow) {
                return -1;
            }
        } else if (MeasureHalfPeriod() < kTooLongBelow) {
            // Two half-periods, the first short: the level stays.
            return -1;
        }
        nByte = static_cast<uint8_t>((nByte >> 1) | nLevel);
    }
    // A byte that ends at level 0 is closed by one more long half-period.
    if (nLevel != kMidpointBit && !WaitStartMark()) {
        return -1;
    }
    return nByte;
}
