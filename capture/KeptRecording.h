// CKeptRecording: the recording of a capture, written to disk as it
// arrives, so that the file is readable at every moment: a FLAC stream
// (each encoded frame reaches the file as it is made; a reader takes a
// stream whose length was never filled in as one of unknown length) or a
// WAV whose header is brought up to date with every flush. Every half
// second of audio the written frames are flushed to the system, and once a
// second forced to the disk, so that neither a killed process nor a machine
// losing power costs more than about a second.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

struct sf_private_tag;

enum class EKeptFormat { kFlac, kWav };

// The format that a file name's extension asks for (.flac or .wav, in any
// case); false for any other name.
bool KeptFormatOf(const std::string& strPath, EKeptFormat& eFormat);

// "tape-YYYYMMDD-HHMMSS.flac" at nNow, local time: a kept recording's name
// when the user gives none.
std::string KeptRecordingName(std::time_t nNow);

class CKeptRecording {
public:
    CKeptRecording() = default;
    ~CKeptRecording();
    CKeptRecording(const CKeptRecording&) = delete;
    CKeptRecording& operator=(const CKeptRecording&) = delete;

    // Creates strPath (UTF-8) for 16-bit frames; false with the reason.
    bool Open(const std::string& strPath, int32_t nRate, int32_t nChannels, std::string& strReason);
    bool IsOpen() const { return m_pSound != nullptr; }
    // Appends nFrames interleaved frames; false once writing has failed.
    bool Write(const int16_t* pFrames, int64_t nFrames);
    // Finishes the file (the header's final sizes); false when anything
    // written was lost.
    bool Close();
    int64_t Frames() const { return m_nFrames; }

private:
    void Flush(bool bToDisk);

    static int64_t VioLength(void* pUser);
    static int64_t VioSeek(int64_t nOffset, int nWhence, void* pUser);
    static int64_t VioRead(void* pOut, int64_t nBytes, void* pUser);
    static int64_t VioWrite(const void* pIn, int64_t nBytes, void* pUser);
    static int64_t VioTell(void* pUser);

    std::FILE* m_pFile = nullptr;
    sf_private_tag* m_pSound = nullptr;
    int32_t m_nRate = 0;
    int64_t m_nFrames = 0;
    int64_t m_nFlushedAt = 0;  // frames written at the last flush
    int64_t m_nSyncedAt = 0;   // ... and at the last one to the disk
    bool m_bFailed = false;
};
