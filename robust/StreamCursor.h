// CStreamCursor: libsndfile's virtual I/O over a CByteSource, which can only
// be read forward. libsndfile takes whatever it opens through virtual I/O
// for a file it can seek in: while it parses a header it jumps over chunks,
// looks past the audio for chunks after it, and comes back to where the
// audio starts. So, while the header is parsed, the cursor keeps every byte
// it has read (up to kKeptMax), and a jump back lands in them. A jump
// forward is only noted: the bytes up to there are read (and kept) when a
// read comes there. A read that would have to pass more than kKeptMax bytes
// (the audio, on the way to chunks after it) finds the end of the stream
// instead and reads nothing, so the audio is all still there when the
// parser comes back to its start. After the header (EndHeader) reads go
// straight to the source, once the kept bytes have been read again.
//
// Every read fills what it asks for unless the stream ends or fails: the
// parser and the codecs take a short read for the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ByteSource.h"

class CStreamCursor {
public:
    static constexpr int64_t kKeptMax = 1 << 20;  // bytes
    static constexpr size_t kHeadBytes = 16;

    explicit CStreamCursor(CByteSource& source) : m_source(source) {}

    // The header has been parsed: bytes are no longer kept.
    void EndHeader() { m_bHeader = false; }

    int64_t Read(void* pOut, int64_t nBytes);
    // As fseek; the new position, or -1 where the bytes there are gone or the
    // end is unknown (SEEK_END).
    int64_t Seek(int64_t nOffset, int nWhence);
    int64_t Tell() const { return m_nPos; }
    // Bytes Read can hand out now without waiting, as far as known.
    int64_t Ready() const;
    bool HasReadError() const { return m_bError; }
    // The first bytes of the stream, as far as they were read: what kind of
    // file it holds, where libsndfile knows none.
    std::span<const uint8_t> Head() const;

private:
    int64_t Pull(uint8_t* pOut, int64_t nBytes);  // from the source, until full or the end
    int64_t KeepTo(int64_t nEnd);                 // reads up to offset nEnd into m_kept

    CByteSource& m_source;
    std::vector<uint8_t> m_kept;  // the stream's bytes from its start, while they are kept
    uint8_t m_head[kHeadBytes] = {};
    int64_t m_nPulled = 0;  // bytes taken from the source
    int64_t m_nPos = 0;     // where the next read starts
    bool m_bHeader = true;
    bool m_bEnd = false;    // the source has ended ...
    bool m_bError = false;  // ... in a read error
};
