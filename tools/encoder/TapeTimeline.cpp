#include "TapeTimeline.h"

#include "TapeEncoder.h"

CBlockCode::CBlockCode(const STimelineBlock& block, int32_t nLeader)
    : m_block(block), m_nLeaderLeft(nLeader), m_nTailLeft(CTapeEncoder::kTailHalfPeriods) {}

void CBlockCode::ExpandByte(uint8_t nByte) {
    // As CTapeEncoder::AddByte: start mark, bits from the lowest, a closing
    // long half-period when the byte ends at level 0.
    m_nPending = 0;
    m_nTaken = 0;
    m_pending[m_nPending++] = CTapeEncoder::kLongTicks;
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        if (bBit != bLevel) {
            m_pending[m_nPending++] = CTapeEncoder::kLongTicks;
        } else {
            m_pending[m_nPending++] = CTapeEncoder::kShortTicks;
            m_pending[m_nPending++] = CTapeEncoder::kShortTicks;
        }
        bLevel = bBit;
    }
    if (!bLevel) {
        m_pending[m_nPending++] = CTapeEncoder::kLongTicks;
    }
}

bool CBlockCode::Next(int32_t& nTicks, uint8_t& nMarks) {
    nMarks = 0;
    const size_t nBytes = m_block.m_header.size() + m_block.m_data.size();
    if (m_nTaken < m_nPending) {
        nTicks = m_pending[m_nTaken++];
    } else if (m_nLeaderLeft > 0) {
        --m_nLeaderLeft;
        nTicks = CTapeEncoder::kShortTicks;
    } else if (m_nByte < nBytes) {
        const size_t nHeader = m_block.m_header.size();
        ExpandByte(m_nByte < nHeader ? m_block.m_header[m_nByte]
                                     : m_block.m_data[m_nByte - nHeader]);
        ++m_nByte;
        nTicks = m_pending[m_nTaken++];
        nMarks = kMarkByteStart;
    } else if (m_nTailLeft > 0) {
        if (m_nTailLeft == CTapeEncoder::kTailHalfPeriods) {
            nMarks = kMarkDataEnd;
        }
        --m_nTailLeft;
        nTicks = CTapeEncoder::kShortTicks;
    } else {
        return false;
    }
    if (m_bFirst) {
        nMarks |= kMarkBlockStart;
        m_bFirst = false;
    }
    return true;
}

CTapeTimeline::CTapeTimeline(std::span<const STimelineBlock> blocks, int32_t nLeader,
                             double dGapTicks)
    : m_blocks(blocks), m_nLeader(nLeader), m_dGapTicks(dGapTicks), m_dNow(dGapTicks) {}

bool CTapeTimeline::Next(STapeEdge& edge) {
    if (!m_bInBlock && m_nBlock < m_blocks.size()) {
        m_code = CBlockCode(m_blocks[m_nBlock], m_nLeader);
        m_nLevel = 1;
        m_bInBlock = true;
    }
    if (m_bInBlock) {
        int32_t nTicks = 0;
        uint8_t nMarks = 0;
        if (m_code.Next(nTicks, nMarks)) {
            edge = STapeEdge{m_dNow + static_cast<double>(m_nTicks), m_nLevel, nMarks};
            m_nTicks += nTicks;
            m_nLevel = static_cast<int8_t>(-m_nLevel);
            return true;
        }
        m_dNow += static_cast<double>(m_nTicks);
        m_nTicks = 0;
        edge = STapeEdge{m_dNow, 0, kMarkBlockEnd};
        m_dNow += m_dGapTicks;
        m_bInBlock = false;
        ++m_nBlock;
        return true;
    }
    if (m_bEnded) {
        return false;
    }
    edge = STapeEdge{m_dNow, 0, kMarkTapeEnd};
    m_bEnded = true;
    return true;
}
