#include "FrameWriter.h"

CFrameWriter::CFrameWriter(const CWavFormat& format, CByteSink& sink)
    : m_sink(sink), m_nSampleBytes(format.m_nBits / 8), m_nChannels(format.m_nChannels) {}

uint64_t CFrameWriter::NextNoise() {
    m_nNoise ^= m_nNoise << 13;
    m_nNoise ^= m_nNoise >> 7;
    m_nNoise ^= m_nNoise << 17;
    return m_nNoise;
}

template <int nSampleBytes, int nChannels>
void CFrameWriter::Render(uint8_t nLevel, uint64_t nFrames) {
    constexpr size_t nFrameSize = static_cast<size_t>(nSampleBytes * nChannels);
    while (nFrames > 0) {
        if (kBufferSize - m_nFill < nFrameSize && !Flush()) {
            return;
        }
        const uint64_t nRoom = (kBufferSize - m_nFill) / nFrameSize;
        const uint64_t nRun = nRoom < nFrames ? nRoom : nFrames;
        uint8_t* p = m_buf.data() + m_nFill;
        for (uint64_t k = 0; k < nRun; ++k) {
            uint64_t nNoise = NextNoise();
            // Every byte but the last is noise (at most five of them).
            for (size_t i = 0; i + 1 < nFrameSize; ++i) {
                p[i] = static_cast<uint8_t>(nNoise);
                nNoise >>= 8;
            }
            p[nFrameSize - 1] = nLevel;
            p += nFrameSize;
        }
        m_nFill += static_cast<size_t>(nRun) * nFrameSize;
        m_nFrames += nRun;
        nFrames -= nRun;
    }
}

bool CFrameWriter::WriteFrames(bool bHigh, uint64_t nFrames) {
    if (m_bFailed) {
        return false;
    }
    const uint8_t nLevel = bHigh ? kHighByte : kLowByte;
    switch (m_nSampleBytes * 10 + m_nChannels) {
        case 11:
            Render<1, 1>(nLevel, nFrames);
            break;
        case 12:
            Render<1, 2>(nLevel, nFrames);
            break;
        case 21:
            Render<2, 1>(nLevel, nFrames);
            break;
        case 22:
            Render<2, 2>(nLevel, nFrames);
            break;
        case 31:
            Render<3, 1>(nLevel, nFrames);
            break;
        case 32:
            Render<3, 2>(nLevel, nFrames);
            break;
        default:
            m_bFailed = true;  // not a format the encoder writes
            break;
    }
    return !m_bFailed;
}

bool CFrameWriter::Flush() {
    if (m_bFailed) {
        return false;
    }
    if (m_nFill > 0 && !m_sink.Write(std::span<const uint8_t>(m_buf.data(), m_nFill))) {
        m_bFailed = true;
    }
    m_nFill = 0;
    return !m_bFailed;
}
