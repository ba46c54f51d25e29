// The recording source: file buffer, frame reader, tick clock and smoothing.
#include "TapeReader.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "FileOpen.h"

CTapeReader::CTapeReader()
    : m_nPhase(0),
      m_nRate(0),
      m_nHeld(0),
      m_bEnd(0),
      m_nHist{0, 0, 0, 0},
      m_nFrameSize(1),
      m_nPos(0),
      m_nCount(0),
      m_buf{},
      m_pFile(nullptr),
      m_pStreamBuffer(std::make_unique<char[]>(kStreamBufferSize)) {}

CTapeReader::~CTapeReader() {
    CloseFile();
}

void CTapeReader::CloseFile() {
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

int32_t CTapeReader::FillBuffer() {
    ++m_nFills;
    const size_t nRead = std::fread(m_buf, 1, sizeof m_buf, m_pFile);
    m_nFilled += nRead;
    return static_cast<int32_t>(nRead);
}

int32_t CTapeReader::Open(std::string strPath) {
    m_strOpenPath = std::move(strPath);
    m_nPos = 0;
    m_bEnd = 0;
    m_nFilled = 0;
    CloseFile();

    m_pFile = OpenFileUtf8(m_strOpenPath, "rb");
    if (m_pFile == nullptr) {
        m_nCount = -1;
        return 0;
    }
    // The stream reads ahead in large pieces: the system is asked for the
    // file a few times per second of decoding instead of twice per block.
    std::setvbuf(m_pFile, m_pStreamBuffer.get(), _IOFBF, kStreamBufferSize);
    m_nCount = FillBuffer();
    // A path that opens but cannot be read (a directory, on some systems)
    // is no recording.
    if (std::ferror(m_pFile)) {
        CloseFile();
        m_nCount = -1;
        return 0;
    }

    uint8_t header[kHeaderSize];
    for (uint8_t& b : header) {
        b = static_cast<uint8_t>(ReadFileByte());
    }
    const uint32_t nRateBits =
        static_cast<uint32_t>(header[24]) | static_cast<uint32_t>(header[25]) << 8 |
        static_cast<uint32_t>(header[26]) << 16 | static_cast<uint32_t>(header[27]) << 24;
    m_nRate = static_cast<int32_t>(nRateBits);
    m_nFrameSize = header[32];
    m_nPhase = 0;

    // Without a positive rate the tick clock would never read a frame and
    // the data would never end.
    if (m_nRate <= 0) {
        CloseFile();
        m_nCount = -1;
        return 0;
    }
    return 1;
}

bool CTapeReader::HasReadError() const {
    return m_pFile != nullptr && std::ferror(m_pFile) != 0;
}

uint64_t CTapeReader::BytesConsumed() const {
    const int32_t nLeft = m_nCount > m_nPos ? m_nCount - m_nPos : 0;
    return m_nFilled - static_cast<uint64_t>(nLeft);
}

int32_t CTapeReader::CheckEnd() {
    // A read error ends the data like the end of the file does; otherwise a
    // failing stream would never end.
    const bool bStreamDone = std::feof(m_pFile) != 0 || std::ferror(m_pFile) != 0;
    m_bEnd = (bStreamDone && m_nPos >= m_nCount) ? 1 : 0;
    return m_bEnd;
}

int32_t CTapeReader::ReadFileByte() {
    if (m_nPos >= m_nCount) {
        if (CheckEnd()) {
            m_nCount = -1;
            return 0;
        }
        m_nCount = FillBuffer();
        m_nPos = 0;
        if (m_nCount == 0) {
            // Nothing came back: the end is reached now, not one stale
            // byte later.
            CheckEnd();
            m_nCount = -1;
            return 0;
        }
    }
    return m_buf[m_nPos++];
}

int32_t CTapeReader::ReadFrame() {
    switch (m_nFrameSize) {
        case 4:
            ReadFileByte();
            [[fallthrough]];
        case 3:
            ReadFileByte();
            [[fallthrough]];
        case 2:
            ReadFileByte();
            return ReadFileByte();
        default:
            return ReadFileByte();
    }
}

int32_t CTapeReader::NextTick() {
    // Computed wide and kept at or below INT32_MAX: above 44,100 Hz the
    // phase only grows, and a wrap would stop frame reads for a long while.
    int64_t nPhase = int64_t{m_nPhase} + m_nRate;
    if (nPhase > kPhaseThreshold) {
        m_nHeld = ReadFrame();
        nPhase -= kTickRate;
    }
    m_nPhase = static_cast<int32_t>(std::min<int64_t>(nPhase, std::numeric_limits<int32_t>::max()));
    return m_nHeld;
}

int32_t CTapeReader::NextSmoothed() {
    m_nHist[3] = m_nHist[2];
    m_nHist[2] = m_nHist[1];
    m_nHist[1] = m_nHist[0];
    m_nHist[0] = NextTick();
    return (m_nHist[0] + m_nHist[1] + m_nHist[2] + m_nHist[3]) / 4;
}
