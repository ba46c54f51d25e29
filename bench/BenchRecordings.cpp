#include "BenchRecordings.h"

#include <array>
#include <cstdio>
#include <vector>

#include "ByteSink.h"
#include "FileOpen.h"
#include "RecordHeader.h"
#include "TapeEncoder.h"
#include "WavFormat.h"

namespace {

// Repeatable random bytes.
class CXorShift {
public:
    explicit CXorShift(uint32_t nSeed) : m_nState(0x9E3779B97F4A7C15ull ^ nSeed) {}
    uint64_t Next() {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 7;
        m_nState ^= m_nState << 17;
        return m_nState;
    }

private:
    uint64_t m_nState;
};

constexpr int32_t kRate = 44100;
constexpr int32_t kMinBlock = 1024;  // data bytes per block, chosen at random
constexpr int32_t kMaxBlock = 16384;

}  // namespace

bool WriteBenchRecording(SBenchRecording& rec, uint32_t nSeed) {
    std::FILE* pFile = OpenFileUtf8(rec.m_strPath, "wb");
    if (pFile == nullptr) {
        return false;
    }
    CFileSink sink(pFile);
    const CWavFormat format{kRate, rec.m_nBits, rec.m_nChannels};
    CTapeEncoder encoder(format, sink);
    CXorShift rng(nSeed);
    const auto nTarget = static_cast<uint64_t>(rec.m_dMinutes * 60.0 * kRate);
    std::vector<uint8_t> data;
    rec.m_nDataBytes = 0;
    rec.m_nBlocks = 0;
    while (!encoder.Failed() && encoder.FramesWritten() < nTarget) {
        char szName[16];
        std::snprintf(szName, sizeof szName, "BLK%05d", rec.m_nBlocks % 100000);
        const std::vector<uint8_t> header = MakeRecordHeader(szName);
        const auto nSize = static_cast<size_t>(
            kMinBlock + static_cast<int32_t>(rng.Next() % (kMaxBlock - kMinBlock + 1)));
        data.resize(nSize);
        for (uint8_t& b : data) {
            b = static_cast<uint8_t>(rng.Next() >> 56);
        }
        encoder.AddLeader();
        encoder.AddBytes(header);
        encoder.AddBytes(data);
        rec.m_nDataBytes += header.size() + data.size();
        ++rec.m_nBlocks;
    }
    encoder.AddTail();
    const bool bWritten = encoder.Finish();
    const bool bClosed = std::fclose(pFile) == 0;
    rec.m_nFrames = encoder.FramesWritten();
    rec.m_nFileBytes = kWavHeaderSize + rec.m_nFrames * static_cast<uint64_t>(FrameSize(format));
    return bWritten && bClosed;
}
