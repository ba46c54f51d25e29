#include "ClassicDecoder.h"

#include <sys/stat.h>

#include <algorithm>

#include "DemodulatorRules.h"

namespace {

// A failed byte that is followed by decoded data within this time lost that
// byte; one followed by a longer pause was the end of its block.
constexpr double kFailureFollowedWithin = 0.25;  // s

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
    m_bFailurePending = false;
    m_block = {};
    const bool bOpened = m_reader.Open(strPath) != 0;
    // Ticks are real time up to 44,100 Hz; faster files are read a frame a
    // tick. The class bounds are where the demodulator draws its lines in
    // this file's time.
    m_dTick = 1.0 / std::max(m_reader.m_nRate, CTapeReader::kTickRate);
    using namespace DemodulatorRules;
    m_log.SetBounds({1.5 * m_dTick, (kGapShortMax + 0.5) * m_dTick, (kGapLongMax + 0.5) * m_dTick});
    m_meter.Reset(m_log, m_dTick);
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
    return m_reader.FindLeader();
}

int32_t CClassicDecoder::ReadDataByte() {
    m_meter.ResetRead();
    const int32_t c = m_reader.ReadDataByte();
    const double dNow = Now();
    if (c < 0) {
        if (m_bInBlock && !m_reader.m_bEnd) {
            m_bFailurePending = true;
            m_dFailureAt = dNow;
            if (m_bMeasuring) {
                m_meter.StartSnapshot(m_meter.Tick());
            }
        }
        return c;
    }
    if (!m_bInBlock) {
        if (m_bFailurePending && dNow - m_dFailureAt <= kFailureFollowedWithin) {
            m_log.AddFailure(m_dFailureAt);
            m_meter.KeepSnapshot();
        } else {
            m_meter.DropSnapshot();
        }
        m_bFailurePending = false;
        const auto nByte = static_cast<uint8_t>(c);
        m_log.BeginBlock(std::max(0.0, dNow - NominalByteTicks(nByte) * m_dTick));
        m_bInBlock = true;
        m_block = {};
    }
    m_log.AddByte(static_cast<uint8_t>(c), dNow);
    if (m_bMeasuring) {
        AddTiming();
    }
    return c;
}

// The read's half-periods into the block's means.
void CClassicDecoder::AddTiming() {
    const CTickMeter::SReadTiming& read = m_meter.Read();
    m_block.m_nShortTicks += read.m_nShortTicks;
    m_block.m_nShorts += read.m_nShorts;
    m_block.m_nLongTicks += read.m_nLongTicks;
    m_block.m_nLongs += read.m_nLongs;
    const auto Mean = [this](uint64_t nTicks, uint64_t nCount) {
        return nCount > 0 ? double(nTicks) / double(nCount) * m_dTick : 0.0;
    };
    m_log.SetTiming(Mean(m_block.m_nShortTicks, m_block.m_nShorts),
                    Mean(m_block.m_nLongTicks, m_block.m_nLongs));
}
