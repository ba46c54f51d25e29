// The half-period demodulator: scores, leader search and byte decoding.
#include "DemodulatorRules.h"
#include "TapeReader.h"

using namespace DemodulatorRules;

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

int32_t CTapeReader::FindLeaderPerTick() {
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

int32_t CTapeReader::WaitStartMarkPerTick() {
    while (!m_bEnd) {
        if (MeasureHalfPeriod() < kLongBelow) {
            break;
        }
    }
    return m_bEnd ? 0 : 1;
}

int32_t CTapeReader::ReadDataBytePerTick() {
    if (!WaitStartMarkPerTick()) {
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
    if (nLevel != kMidpointBit && !WaitStartMarkPerTick()) {
        return -1;
    }
    return nByte;
}

int32_t CTapeReader::FindLeader() {
    return m_block.FindLeader(*this);
}

int32_t CTapeReader::WaitStartMark() {
    return m_block.WaitStartMark(*this);
}

int32_t CTapeReader::ReadDataByte() {
    return m_block.ReadDataByte(*this);
}
