#include "StreamCursor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

int64_t CStreamCursor::Pull(uint8_t* pOut, int64_t nBytes) {
    int64_t nDone = 0;
    while (nDone < nBytes && !m_bEnd) {
        const int64_t nGot = m_source.Read(pOut + nDone, nBytes - nDone);
        if (nGot <= 0) {
            m_bEnd = true;
            m_bError = nGot < 0;
            break;
        }
        nDone += std::min(nGot, nBytes - nDone);
    }
    if (m_nPulled < static_cast<int64_t>(kHeadBytes)) {
        const int64_t nHead = std::min(nDone, static_cast<int64_t>(kHeadBytes) - m_nPulled);
        std::memcpy(m_head + m_nPulled, pOut, static_cast<size_t>(nHead));
    }
    m_nPulled += nDone;
    return nDone;
}

int64_t CStreamCursor::KeepTo(int64_t nEnd) {
    const auto nFrom = static_cast<size_t>(m_nPulled);
    m_kept.resize(static_cast<size_t>(nEnd));
    const int64_t nGot = Pull(m_kept.data() + nFrom, nEnd - m_nPulled);
    m_kept.resize(static_cast<size_t>(m_nPulled));
    return nGot;
}

int64_t CStreamCursor::Read(void* pOut, int64_t nBytes) {
    auto* pBytes = static_cast<uint8_t*>(pOut);
    int64_t nDone = 0;
    while (nDone < nBytes) {
        const int64_t nKept = static_cast<int64_t>(m_kept.size());
        if (m_nPos < nKept) {
            // Bytes read before, kept.
            const int64_t nTake = std::min(nKept - m_nPos, nBytes - nDone);
            std::memcpy(pBytes + nDone, m_kept.data() + m_nPos, static_cast<size_t>(nTake));
            m_nPos += nTake;
            nDone += nTake;
            continue;
        }
        if (m_nPos < m_nPulled) {
            break;  // those bytes are gone: no seek can have led here
        }
        if (!m_bHeader) {
            if (!m_kept.empty()) {
                std::vector<uint8_t>().swap(m_kept);  // all read again
            }
            if (m_nPos > m_nPulled) {
                // A jump forward: the bytes up to there are passed over.
                uint8_t skip[4096];
                while (m_nPos > m_nPulled && !m_bEnd) {
                    Pull(skip, std::min<int64_t>(m_nPos - m_nPulled, sizeof skip));
                }
                if (m_nPos > m_nPulled) {
                    break;
                }
            }
            const int64_t nGot = Pull(pBytes + nDone, nBytes - nDone);
            m_nPos += nGot;
            nDone += nGot;
            break;
        }
        // Parsing the header: everything read is kept, up to kKeptMax.
        if (m_nPos > kKeptMax || nBytes - nDone > kKeptMax - m_nPos ||
            KeepTo(m_nPos + nBytes - nDone) == 0) {
            break;  // past the audio, or the end of the stream
        }
    }
    return nDone;
}

int64_t CStreamCursor::Seek(int64_t nOffset, int nWhence) {
    int64_t nTarget = -1;
    if (nWhence == SEEK_SET) {
        nTarget = nOffset;
    } else if (nWhence == SEEK_CUR && nOffset <= std::numeric_limits<int64_t>::max() - m_nPos) {
        nTarget = m_nPos + nOffset;
    }
    if (nTarget < 0) {
        return -1;  // SEEK_END: the end of a stream is not known before it comes
    }
    const bool bGone = nTarget < m_nPulled && nTarget >= static_cast<int64_t>(m_kept.size());
    if (bGone && nTarget != m_nPos) {
        return -1;  // read and no longer kept
    }
    m_nPos = nTarget;
    return m_nPos;
}

int64_t CStreamCursor::Ready() const {
    const int64_t nKept = std::max<int64_t>(0, static_cast<int64_t>(m_kept.size()) - m_nPos);
    return m_bEnd ? nKept : nKept + m_source.Ready();
}

std::span<const uint8_t> CStreamCursor::Head() const {
    return {m_head, static_cast<size_t>(std::min<int64_t>(m_nPulled, kHeadBytes))};
}
