// A recording in memory handed to the robust decoder as a stream: in pieces
// whose sizes go round a list, as a pipe hands them out, with a read error
// in place of the byte at nFailAt.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ByteSource.h"

class CPieceSource : public CByteSource {
public:
    CPieceSource(const std::vector<uint8_t>& bytes, std::vector<int64_t> pieces,
                 size_t nFailAt = SIZE_MAX)
        : m_bytes(bytes), m_pieces(std::move(pieces)), m_nFailAt(nFailAt) {}

    int64_t Read(void* pOut, int64_t nBytes) override {
        if (m_nNext >= m_nFailAt) {
            return -1;
        }
        const int64_t nPiece = m_pieces[m_nRead++ % m_pieces.size()];
        const size_t nEnd = std::min(
            {m_bytes.size(), m_nFailAt, m_nNext + static_cast<size_t>(std::min(nPiece, nBytes))});
        const size_t nCount = nEnd - m_nNext;
        if (nCount > 0) {
            std::memcpy(pOut, m_bytes.data() + m_nNext, nCount);
        }
        m_nNext = nEnd;
        return static_cast<int64_t>(nCount);
    }
    // Bytes handed out so far.
    size_t Delivered() const { return m_nNext; }

private:
    const std::vector<uint8_t>& m_bytes;
    std::vector<int64_t> m_pieces;
    size_t m_nFailAt;
    size_t m_nNext = 0;
    size_t m_nRead = 0;
};
