#include "ClassicDecoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "DemodulatorRules.h"

namespace {

// A failed byte that is followed by decoded data within this time lost that
// byte; one followed by a longer pause was the end of its block.
constexpr double kFailureFollowedWithin = 0.25;  // s

constexpr double kSnapshotHalf = 0.005;  // s of signal either side of a failed byte

// Crossing spacings, in ticks, that the reader counts as a byte's half-periods.
constexpr double kLongTicks = 34.0;
constexpr double kShortPairTicks = 22.0;

// s: the nominal length of byte nByte on tape, for placing a block's start
// before its first byte (the reader does not tell where that byte began).
double NominalByteTicks(uint8_t nByte) {
    double dTicks = kLongTicks;  // start mark
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        dTicks += bBit != bLevel ? kLongTicks : kShortPairTicks;
        bLevel = bBit;
    }
    return bLevel ? dTicks : dTicks + kLongTicks;
}

// Bytes in the open file, 0 when it is not a regular file.
uint64_t FileBytes(std::FILE* pFile) {
#ifdef _WIN32
    struct _stat64 info {};
    if (pFile == nullptr || _fstat64(_fileno(pFile), &info) != 0 ||
        (info.st_mode & _S_IFREG) == 0) {
        return 0;
    }
#else
    struct stat info {};
    if (pFile == nullptr || fstat(fileno(pFile), &info) != 0 || !S_ISREG(info.st_mode)) {
        return 0;
    }
#endif
    return static_cast<uint64_t>(info.st_size);
}

}  // namespace

CClassicDecoder::~CClassicDecoder() {
    SetMeasuring(false);
}

void CClassicDecoder::SetMeasuring(bool bMeasuring) {
    m_bMeasuring = bMeasuring;
    CTickBlock::SetObserver(m_reader, bMeasuring ? &m_meter : nullptr);
}

bool CClassicDecoder::Open(const std::string& strPath) {
    m_log.Clear();
    m_bInBlock = false;
    m_bTimingOpen = false;
    m_bFailurePending = false;
    const bool bOpened = m_reader.Open(strPath) != 0;
    // Ticks are real time up to 44,100 Hz; faster files are read a frame a
    // tick. The class bounds are where the demodulator draws its lines in
    // this file's time.
    m_file = {strPath, m_reader.m_nRate, m_reader.m_nFrameSize,
              1.0 / std::max(m_reader.m_nRate, CTapeReader::kTickRate)};
    const double dTick = m_file.m_dTickSeconds;
    using namespace DemodulatorRules;
    m_log.SetBounds({1.5 * dTick, (kGapShortMax + 0.5) * dTick, (kGapLongMax + 0.5) * dTick});
    m_meter.Reset(dTick);
    if (m_bMeasuring) {
        CTickBlock::SetObserver(m_reader, &m_meter);  // nothing of an earlier file
    }
    m_format = bOpened ? ReadFormat() : SRecordingFormat{};
    return bOpened;
}

// The rate and frame size as the reader takes them; the channels from the
// header's usual place, and the length from the file's size.
SRecordingFormat CClassicDecoder::ReadFormat() const {
    SRecordingFormat format;
    format.m_nRate = m_reader.m_nRate;
    format.m_nBits = 8 * m_reader.m_nFrameSize;
    // The header was taken from the start of the buffer unless a short
    // first read made it refill.
    if (m_reader.m_nPos == CTapeReader::kHeaderSize &&
        m_reader.m_nCount >= CTapeReader::kHeaderSize) {
        format.m_nChannels = m_reader.m_buf[22] | m_reader.m_buf[23] << 8;
    }
    const int32_t nFrameSize = m_reader.m_nFrameSize;
    const uint64_t nFrameBytes = (nFrameSize >= 2 && nFrameSize <= 4) ? uint64_t(nFrameSize) : 1;
    const uint64_t nBytes = FileBytes(m_reader.m_pFile);
    if (nBytes > CTapeReader::kHeaderSize && m_reader.m_nRate > 0) {
        format.m_dSeconds =
            double((nBytes - CTapeReader::kHeaderSize) / nFrameBytes) / m_reader.m_nRate;
    }
    return format;
}

double CClassicDecoder::Now() const {
    const int32_t nFrameSize = m_reader.m_nFrameSize;
    const uint64_t nFrameBytes = (nFrameSize >= 2 && nFrameSize <= 4) ? uint64_t(nFrameSize) : 1;
    const uint64_t nConsumed = m_reader.BytesConsumed();
    const uint64_t nData =
        nConsumed > CTapeReader::kHeaderSize ? nConsumed - CTapeReader::kHeaderSize : 0;
    return m_reader.m_nRate > 0 ? double(nData / nFrameBytes) / m_reader.m_nRate : 0.0;
}

int32_t CClassicDecoder::FindLeader() {
    m_bInBlock = false;
    const int32_t nResult = m_reader.FindLeader();
    FinishAtEnd();
    return nResult;
}

int32_t CClassicDecoder::ReadDataByte() {
    const int32_t c = m_reader.ReadDataByte();
    const double dNow = Now();
    if (c < 0) {
        if (m_bInBlock && !m_reader.m_bEnd) {
            m_bFailurePending = true;
            m_dFailureAt = dNow;
            if (m_bMeasuring) {
                CTickBlock::ShowObserver(m_reader);
                m_nFailureTick = m_meter.Tick();
            }
        }
        EndBlockTiming();
        FinishAtEnd();
        return c;
    }
    if (!m_bInBlock) {
        if (m_bFailurePending && dNow - m_dFailureAt <= kFailureFollowedWithin) {
            m_log.AddFailure(m_dFailureAt);
            KeepSnapshot();
        }
        m_bFailurePending = false;
        const auto nByte = static_cast<uint8_t>(c);
        m_log.BeginBlock(std::max(0.0, dNow - NominalByteTicks(nByte) * m_file.m_dTickSeconds));
        m_bInBlock = true;
        if (m_bMeasuring) {
            // The block's half-periods are those after its first byte.
            CTickBlock::ShowObserver(m_reader);
            m_blockStart = m_meter.Sums();
            m_bTimingOpen = true;
        }
    }
    m_log.AddByte(static_cast<uint8_t>(c), dNow);
    FinishAtEnd();
    return c;
}

// The current block has ended: its measured means from the half-periods
// since its first byte.
void CClassicDecoder::EndBlockTiming() {
    if (!m_bTimingOpen) {
        return;
    }
    m_bTimingOpen = false;
    CTickBlock::ShowObserver(m_reader);
    const CTickMeter::SClassSums now = m_meter.Sums();
    const auto Mean = [this](uint64_t nTicks, uint64_t nCount) {
        return nCount > 0 ? double(nTicks) / double(nCount) * m_file.m_dTickSeconds : 0.0;
    };
    m_log.SetTiming(
        Mean(now.m_nShortTicks - m_blockStart.m_nShortTicks,
             now.m_nShorts - m_blockStart.m_nShorts),
        Mean(now.m_nLongTicks - m_blockStart.m_nLongTicks, now.m_nLongs - m_blockStart.m_nLongs));
}

// The signal around the failed byte just counted, read again from the file.
void CClassicDecoder::KeepSnapshot() {
    if (!m_bMeasuring || !m_log.WantsSnapshot()) {
        return;
    }
    SSignalSnapshot snapshot;
    const auto nHalf = static_cast<int64_t>(kSnapshotHalf / m_file.m_dTickSeconds + 0.5);
    if (ReadTickSnapshot(m_file, m_nFailureTick, nHalf, snapshot)) {
        m_log.AddSnapshot(std::move(snapshot));
    }
}

// Once the data has ended, the log gets the histogram and the last
// block's timing.
void CClassicDecoder::FinishAtEnd() {
    if (!m_bMeasuring || m_reader.m_bEnd == 0) {
        return;
    }
    EndBlockTiming();
    CTickBlock::ShowObserver(m_reader);
    m_meter.AddNewToHistogram(m_log);
}
