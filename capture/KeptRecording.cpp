#include "KeptRecording.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstddef>

#include "FileOpen.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Forces what the system holds of the file to the disk.
void SyncToDisk(std::FILE* pFile) {
#ifdef _WIN32
    _commit(_fileno(pFile));
#else
    fsync(fileno(pFile));
#endif
}

bool EndsWith(const std::string& str, const std::string& strEnd) {
    if (str.size() < strEnd.size()) {
        return false;
    }
    return std::equal(
        strEnd.begin(), strEnd.end(), str.end() - static_cast<std::ptrdiff_t>(strEnd.size()),
        [](char cEnd, char c) { return std::tolower(static_cast<unsigned char>(c)) == cEnd; });
}

}  // namespace

std::string KeptRecordingName(std::time_t nNow) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &nNow);
#else
    localtime_r(&nNow, &local);
#endif
    char szName[64];
    std::strftime(szName, sizeof(szName), "tape-%Y%m%d-%H%M%S.flac", &local);
    return szName;
}

bool KeptFormatOf(const std::string& strPath, EKeptFormat& eFormat) {
    if (EndsWith(strPath, ".flac")) {
        eFormat = EKeptFormat::kFlac;
        return true;
    }
    if (EndsWith(strPath, ".wav")) {
        eFormat = EKeptFormat::kWav;
        return true;
    }
    return false;
}

CKeptRecording::~CKeptRecording() {
    Close();
}

bool CKeptRecording::Open(const std::string& strPath, int32_t nRate, int32_t nChannels,
                          std::string& strReason) {
    Close();
    EKeptFormat eFormat = EKeptFormat::kFlac;
    if (!KeptFormatOf(strPath, eFormat)) {
        strReason = "the name must end in .flac or .wav";
        return false;
    }
    m_pFile = OpenFileUtf8(strPath, "w+b");
    if (m_pFile == nullptr) {
        strReason = "the file cannot be created";
        return false;
    }
    SF_VIRTUAL_IO io{&VioLength, &VioSeek, &VioRead, &VioWrite, &VioTell};
    SF_INFO info{};
    info.samplerate = nRate;
    info.channels = nChannels;
    info.format =
        (eFormat == EKeptFormat::kFlac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    m_pSound = sf_open_virtual(&io, SFM_WRITE, &info, this);
    if (m_pSound == nullptr) {
        strReason = sf_strerror(nullptr);
        std::fclose(m_pFile);
        m_pFile = nullptr;
        return false;
    }
    m_nRate = nRate;
    m_nFrames = 0;
    m_nFlushedAt = 0;
    m_nSyncedAt = 0;
    m_bFailed = false;
    // The header as it stands (no frames yet) is on disk before any frame.
    Flush(true);
    return !m_bFailed;
}

bool CKeptRecording::Write(const int16_t* pFrames, int64_t nFrames) {
    if (m_pSound == nullptr || m_bFailed) {
        return false;
    }
    if (nFrames <= 0) {
        return true;
    }
    if (sf_writef_short(m_pSound, pFrames, nFrames) != nFrames) {
        m_bFailed = true;
        return false;
    }
    m_nFrames += nFrames;
    if (m_nFrames - m_nSyncedAt >= m_nRate) {
        Flush(true);
    } else if (m_nFrames - m_nFlushedAt >= m_nRate / 2) {
        Flush(false);
    }
    return !m_bFailed;
}

void CKeptRecording::Flush(bool bToDisk) {
    // A WAV's sizes in its header; a FLAC stream keeps its header for the end.
    sf_command(m_pSound, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    if (std::fflush(m_pFile) != 0) {
        m_bFailed = true;
    }
    m_nFlushedAt = m_nFrames;
    if (bToDisk) {
        SyncToDisk(m_pFile);
        m_nSyncedAt = m_nFrames;
    }
}

bool CKeptRecording::Close() {
    if (m_pFile == nullptr) {
        return true;
    }
    bool bOk = !m_bFailed;
    if (m_pSound != nullptr) {
        bOk = sf_close(m_pSound) == 0 && bOk;
        m_pSound = nullptr;
    }
    bOk = std::fflush(m_pFile) == 0 && bOk;
    SyncToDisk(m_pFile);
    bOk = std::fclose(m_pFile) == 0 && bOk;
    m_pFile = nullptr;
    return bOk;
}

int64_t CKeptRecording::VioLength(void* pUser) {
    return FileLength64(static_cast<CKeptRecording*>(pUser)->m_pFile);
}

int64_t CKeptRecording::VioSeek(int64_t nOffset, int nWhence, void* pUser) {
    std::FILE* pFile = static_cast<CKeptRecording*>(pUser)->m_pFile;
    return SeekFile64(pFile, nOffset, nWhence) == 0 ? TellFile64(pFile) : -1;
}

int64_t CKeptRecording::VioRead(void* pOut, int64_t nBytes, void* pUser) {
    std::FILE* pFile = static_cast<CKeptRecording*>(pUser)->m_pFile;
    return static_cast<int64_t>(std::fread(pOut, 1, static_cast<size_t>(nBytes), pFile));
}

int64_t CKeptRecording::VioWrite(const void* pIn, int64_t nBytes, void* pUser) {
    auto* pThis = static_cast<CKeptRecording*>(pUser);
    const size_t nDone = std::fwrite(pIn, 1, static_cast<size_t>(nBytes), pThis->m_pFile);
    if (nDone != static_cast<size_t>(nBytes)) {
        pThis->m_bFailed = true;
    }
    return static_cast<int64_t>(nDone);
}

int64_t CKeptRecording::VioTell(void* pUser) {
    return TellFile64(static_cast<CKeptRecording*>(pUser)->m_pFile);
}
