// CSoundInput: an audio file of any kind libsndfile reads (WAV in any chunk
// layout, RF64, W64, AIFF, FLAC, ...), any rate, sample format and channel
// count. libsndfile parses the container; the samples come either as the
// file stores them, where that is plain integer PCM (most recordings, read
// without a conversion pass of libsndfile's), or as libsndfile converts
// them, and SampleCoding converts them from there. The file is opened by
// UTF-8 path on every platform and read through libsndfile's virtual I/O,
// so that a read error part way is told apart from the end of the file.
//
// It reads its input once, from the start: a regular file, standard input
// ("-"), a FIFO, or any CByteSource (a CStreamCursor lets libsndfile parse
// their headers). The frames read since the input was opened are held in
// memory (up to kHeldBytes), so that Replay can go back over the first
// seconds without going back in the input; holding ends at the first read
// past them after a Replay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "SampleCoding.h"
#include "StreamCursor.h"

struct sf_private_tag;

enum class ESoundError {
    kNone,
    kCannotOpen,  // missing, unreadable, a folder
    kNotAudio,    // no format libsndfile reads, or no frames to speak of
    kReadError,   // reading failed part way
};

// One line of English for each reason, for logs and tests.
const char* SoundErrorText(ESoundError eError);

class CSoundInput {
public:
    // Bytes per Read, at most: a multiple of the stream's buffer (256 KiB),
    // so that the system reads straight into ours, and of 3, for 24-bit
    // frames.
    static constexpr size_t kReadBytes = 3 * 256 * 1024;
    // Frames a Read from a stream waits for where fewer have arrived (a
    // few ms), so that what arrives is decoded at once (ReadyFrames).
    static constexpr int32_t kStreamReadFrames = 1024;
    // Bytes of frames held for Replay, at most.
    static constexpr size_t kHeldBytes = 8 << 20;

    CSoundInput() = default;
    ~CSoundInput();
    CSoundInput(const CSoundInput&) = delete;
    CSoundInput& operator=(const CSoundInput&) = delete;

    // strPath: UTF-8; "-" is standard input.
    ESoundError Open(const std::string& strPath);
    // Reads source, which must outlive the input's use of it.
    ESoundError Open(CByteSource& source);
    void Close();
    // Why the last Open failed, in English: the system's or libsndfile's
    // reason, and what to do about a format libsndfile does not read.
    const std::string& FailureText() const { return m_strFailure; }

    int32_t Rate() const { return m_nRate; }  // frames per second
    int32_t Channels() const { return m_nChannels; }
    int32_t Bits() const { return m_nBits; }      // bits per sample of the stored format
    int64_t Frames() const { return m_nFrames; }  // as the header says; 0 when unknown
    bool IsStream() const { return m_pCursor != nullptr; }

    // Where one channel's samples lie in the frames Read hands out.
    SChannelLayout Layout(int32_t nChannel) const;  // nChannel: 0-based
    int32_t MaxReadFrames() const { return m_nMaxReadFrames; }
    // Frames that a Read can hand out now without waiting for the input:
    // MaxReadFrames for a file; for a stream, those held for a replay, or
    // else those that have arrived (as far as its source tells), at least
    // kStreamReadFrames.
    int32_t ReadyFrames() const;
    // nFrames interleaved frames (at most MaxReadFrames) in Coding(), with
    // kSamplePadding bytes before and after them; fewer only at the end of
    // the input, 0 at its end or after an error.
    int32_t Read(const uint8_t*& pFrames, int32_t nFrames);
    // Frames Replay can go back over, at most.
    int32_t MaxHeldFrames() const;
    // Back to the first frame, from the frames held; false once they are
    // no longer all held.
    bool Replay();
    bool HasReadError() const { return m_bReadError; }

private:
    size_t FrameBytes() const;        // of the frames Read hands out
    ESoundError OpenSound();          // libsndfile over m_pFile or m_pCursor
    std::span<const uint8_t> Head();  // the input's first bytes, for FailureText
    int32_t ReadSound(uint8_t* pOut, int32_t nFrames);
    void Hold(const uint8_t* pFrames, size_t nBytes);

    static int64_t VioLength(void* pUser);
    static int64_t VioSeek(int64_t nOffset, int nWhence, void* pUser);
    static int64_t VioRead(void* pOut, int64_t nBytes, void* pUser);
    static int64_t VioWrite(const void* pIn, int64_t nBytes, void* pUser);
    static int64_t VioTell(void* pUser);
    static int64_t StreamLength(void* pUser);
    static int64_t StreamSeek(int64_t nOffset, int nWhence, void* pUser);
    static int64_t StreamRead(void* pOut, int64_t nBytes, void* pUser);
    static int64_t StreamTell(void* pUser);

    std::FILE* m_pFile = nullptr;
    std::unique_ptr<CByteSource> m_pOwnedSource;     // standard input or a FIFO
    std::unique_ptr<CStreamCursor> m_pCursor;        // over a source
    uint8_t m_head[CStreamCursor::kHeadBytes] = {};  // a file's first bytes
    size_t m_nHead = 0;
    sf_private_tag* m_pSound = nullptr;
    std::vector<uint8_t> m_read;  // kReadBytes and the padding around them
    std::vector<uint8_t> m_held;  // the frames read since Open, with padding around them
    size_t m_nHeld = 0;           // bytes of frames held
    size_t m_nReplayed = 0;       // bytes of them handed out again since Replay
    bool m_bHolding = false;
    bool m_bReplayed = false;
    std::string m_strFailure;
    ESampleCoding m_eCoding = ESampleCoding::kDouble;
    int32_t m_nMaxReadFrames = 0;
    int32_t m_nRate = 0;
    int32_t m_nChannels = 0;
    int32_t m_nBits = 0;
    int64_t m_nFrames = 0;
    bool m_bReadError = false;
};
