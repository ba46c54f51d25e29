// CSoundInput: an audio file of any kind libsndfile reads (WAV in any chunk
// layout, RF64, W64, AIFF, FLAC, ...), any rate, sample format and channel
// count. libsndfile parses the container; the samples come either as the
// file stores them, where that is plain integer PCM (most recordings, read
// without a conversion pass of libsndfile's), or as libsndfile converts
// them, and SampleCoding converts them from there. The file is opened by
// UTF-8 path on every platform and read through libsndfile's virtual I/O,
// so that a read error part way is told apart from the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "SampleCoding.h"

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

    CSoundInput() = default;
    ~CSoundInput();
    CSoundInput(const CSoundInput&) = delete;
    CSoundInput& operator=(const CSoundInput&) = delete;

    ESoundError Open(const std::string& strPath);
    void Close();

    int32_t Rate() const { return m_nRate; }  // frames per second
    int32_t Channels() const { return m_nChannels; }
    int32_t Bits() const { return m_nBits; }      // bits per sample of the stored format
    int64_t Frames() const { return m_nFrames; }  // as the header says

    // Where one channel's samples lie in the frames Read hands out.
    SChannelLayout Layout(int32_t nChannel) const;  // nChannel: 0-based
    int32_t MaxReadFrames() const { return m_nMaxReadFrames; }
    // nFrames interleaved frames (at most MaxReadFrames) in Coding(), with
    // kSamplePadding bytes before and after them; fewer only at the end of
    // the file, 0 at its end or after an error.
    int32_t Read(const uint8_t*& pFrames, int32_t nFrames);
    // Back to the first frame; false when the file cannot seek.
    bool Rewind();
    bool HasReadError() const { return m_bReadError; }

private:
    size_t FrameBytes() const;  // of the frames Read hands out

    static int64_t VioLength(void* pUser);
    static int64_t VioSeek(int64_t nOffset, int nWhence, void* pUser);
    static int64_t VioRead(void* pOut, int64_t nBytes, void* pUser);
    static int64_t VioWrite(const void* pIn, int64_t nBytes, void* pUser);
    static int64_t VioTell(void* pUser);

    std::FILE* m_pFile = nullptr;
    sf_private_tag* m_pSound = nullptr;
    std::vector<uint8_t> m_read;  // kReadBytes and the padding around them
    ESampleCoding m_eCoding = ESampleCoding::kDouble;
    int32_t m_nMaxReadFrames = 0;
    int32_t m_nRate = 0;
    int32_t m_nChannels = 0;
    int32_t m_nBits = 0;
    int64_t m_nFrames = 0;
    bool m_bReadError = false;
};
