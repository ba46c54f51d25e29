#include "ReaderPair.h"

#include <array>
#include <cstdio>
#include <sstream>

std::vector<uint8_t> DecodeFile(const std::string& strPath) {
    CTapeReader reader;
    std::vector<uint8_t> bytes;
    if (!reader.Open(strPath) || !reader.FindLeader()) {
        return bytes;
    }
    while (!reader.m_bEnd) {
        const int32_t c = reader.ReadDataByte();
        if (c < 0) {
            reader.FindLeader();
        } else {
            bytes.push_back(static_cast<uint8_t>(c));
        }
    }
    return bytes;
}

bool SameReaderState(const CTapeReader& a, const CTapeReader& b) {
    return a.m_nPos == b.m_nPos && a.m_nCount == b.m_nCount && a.m_nPhase == b.m_nPhase &&
           a.m_nHeld == b.m_nHeld && a.m_bEnd == b.m_bEnd && a.m_nHist[0] == b.m_nHist[0] &&
           a.m_nHist[1] == b.m_nHist[1] && a.m_nHist[2] == b.m_nHist[2] &&
           a.m_nHist[3] == b.m_nHist[3] && a.m_nRate == b.m_nRate &&
           a.m_nFrameSize == b.m_nFrameSize && a.HasReadError() == b.HasReadError() &&
           (a.m_pFile == nullptr) == (b.m_pFile == nullptr) &&
           (a.m_pFile == nullptr || std::ftell(a.m_pFile) == std::ftell(b.m_pFile));
}

std::string DescribeReader(const CTapeReader& r) {
    std::ostringstream s;
    s << "pos " << r.m_nPos << " count " << r.m_nCount << " phase " << r.m_nPhase << " held "
      << r.m_nHeld << " end " << r.m_bEnd << " hist " << r.m_nHist[0] << "," << r.m_nHist[1] << ","
      << r.m_nHist[2] << "," << r.m_nHist[3] << " file at "
      << (r.m_pFile != nullptr ? std::ftell(r.m_pFile) : -1L);
    return s.str();
}

const char* OpName(EOp eOp) {
    switch (eOp) {
        case EOp::kFindLeader:
            return "FindLeader";
        case EOp::kWaitStartMark:
            return "WaitStartMark";
        case EOp::kReadDataByte:
            return "ReadDataByte";
        case EOp::kMeasure:
            return "MeasureHalfPeriod";
        case EOp::kSmoothed:
            break;
    }
    return "NextSmoothed";
}

bool CReaderPair::Open(const std::string& strPath) {
    const int32_t nRef = m_ref.Open(strPath);
    const int32_t nBlock = m_block.Open(strPath);
    return nRef == 1 && nBlock == 1;
}

std::string CReaderPair::Step(EOp eOp, int32_t* pResult) {
    int32_t nRef = 0;
    int32_t nBlock = 0;
    switch (eOp) {
        case EOp::kFindLeader:
            nRef = m_ref.FindLeaderPerTick();
            nBlock = m_block.FindLeader();
            break;
        case EOp::kWaitStartMark:
            nRef = m_ref.WaitStartMarkPerTick();
            nBlock = m_block.WaitStartMark();
            break;
        case EOp::kReadDataByte:
            nRef = m_ref.ReadDataBytePerTick();
            nBlock = m_block.ReadDataByte();
            break;
        case EOp::kMeasure:
            nRef = m_ref.MeasureHalfPeriod();
            nBlock = m_block.MeasureHalfPeriod();
            break;
        case EOp::kSmoothed:
            nRef = m_ref.NextSmoothed();
            nBlock = m_block.NextSmoothed();
            break;
    }
    ++m_nCalls;
    if (pResult != nullptr) {
        *pResult = nRef;
    }
    if (nRef == nBlock && SameReaderState(m_ref, m_block)) {
        return {};
    }
    std::ostringstream s;
    s << "call " << m_nCalls << " " << OpName(eOp) << ": per tick " << nRef << ", block " << nBlock
      << "\n  per tick: " << DescribeReader(m_ref) << "\n  block:    " << DescribeReader(m_block);
    return s.str();
}

std::string CReaderPair::RunLikeConversion() {
    int32_t nResult = 0;
    if (std::string strError = Step(EOp::kFindLeader); !strError.empty()) {
        return strError;
    }
    while (m_ref.m_bEnd == 0) {
        if (std::string strError = Step(EOp::kReadDataByte, &nResult); !strError.empty()) {
            return strError;
        }
        if (nResult >= 0) {
            ++m_nBytes;
        } else if (std::string strError = Step(EOp::kFindLeader); !strError.empty()) {
            return strError;
        }
    }
    for (const EOp eOp : {EOp::kReadDataByte, EOp::kFindLeader, EOp::kWaitStartMark}) {
        if (std::string strError = Step(eOp); !strError.empty()) {
            return strError;
        }
    }
    return {};
}

std::string CReaderPair::RunCalls(const std::function<EOp()>& nextOp, int32_t nMaxCalls) {
    int32_t nAfterEnd = 0;
    for (int32_t k = 0; k < nMaxCalls && nAfterEnd < 4; ++k) {
        if (std::string strError = Step(nextOp()); !strError.empty()) {
            return strError;
        }
        nAfterEnd += m_ref.m_bEnd;
    }
    return {};
}

std::string CReaderPair::RunRandomCalls(std::mt19937& rng, int32_t nMaxCalls) {
    static constexpr std::array<EOp, 10> kMix = {
        EOp::kReadDataByte, EOp::kReadDataByte, EOp::kReadDataByte,  EOp::kReadDataByte,
        EOp::kFindLeader,   EOp::kFindLeader,   EOp::kWaitStartMark, EOp::kWaitStartMark,
        EOp::kMeasure,      EOp::kSmoothed};
    return RunCalls([&] { return kMix[rng() % kMix.size()]; }, nMaxCalls);
}
