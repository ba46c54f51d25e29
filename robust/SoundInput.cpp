#include "SoundInput.h"

#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

#include "FileOpen.h"
#include "OpenFailure.h"
#include "StdioSource.h"

namespace {

constexpr size_t kFileBufferSize = 256 * 1024;
// A stream's header that gives at least this many bytes of audio gives the
// largest size its field holds: the writer did not know the length.
constexpr int64_t kUnknownSize = 0x7FFF0000;

struct SErrorText {
    ESoundError m_eError;
    const char* m_szText;
};

constexpr SErrorText kErrorTexts[] = {
    {ESoundError::kNone, "no error"},
    {ESoundError::kCannotOpen, "the file cannot be opened"},
    {ESoundError::kNotAudio, "the file holds no audio that can be read"},
    {ESoundError::kReadError, "reading the file failed part way"},
};

// Bits per sample of libsndfile's subformats; 0 for those without a fixed width.
int32_t BitsOf(int nFormat) {
    switch (nFormat & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
            return 32;
        case SF_FORMAT_DOUBLE:
            return 64;
        default:
            return 0;
    }
}

// How Read hands out the samples of a file of format nFormat. Plain integer
// PCM in the containers that store it as it is comes raw (in the file's
// byte order, bSwapped when that is not this machine's); other integer
// formats (FLAC, companded, ADPCM) as 32-bit integers, so that they sum as
// exactly as raw ones; floating point and lossy formats as doubles.
ESampleCoding CodingOf(int nFormat, bool bSwapped) {
    const int nMajor = nFormat & SF_FORMAT_TYPEMASK;
    const bool bRaw = nMajor == SF_FORMAT_WAV || nMajor == SF_FORMAT_WAVEX ||
                      nMajor == SF_FORMAT_W64 || nMajor == SF_FORMAT_RF64 ||
                      nMajor == SF_FORMAT_AIFF;
    const bool bLittle = (std::endian::native == std::endian::little) != bSwapped;
    switch (nFormat & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_U8:
            return bRaw ? ESampleCoding::kU8 : ESampleCoding::kInt32;
        case SF_FORMAT_PCM_S8:
            return bRaw ? ESampleCoding::kS8 : ESampleCoding::kInt32;
        case SF_FORMAT_PCM_16:
            return !bRaw     ? ESampleCoding::kInt32
                   : bLittle ? ESampleCoding::kS16Le
                             : ESampleCoding::kS16Be;
        case SF_FORMAT_PCM_24:
            return !bRaw     ? ESampleCoding::kInt32
                   : bLittle ? ESampleCoding::kS24Le
                             : ESampleCoding::kS24Be;
        case SF_FORMAT_PCM_32:
            return !bRaw     ? ESampleCoding::kInt32
                   : bLittle ? ESampleCoding::kS32Le
                             : ESampleCoding::kS32Be;
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
            return ESampleCoding::kDouble;
        default:
            return ESampleCoding::kInt32;
    }
}

}  // namespace

const char* SoundErrorText(ESoundError eError) {
    for (const SErrorText& entry : kErrorTexts) {
        if (entry.m_eError == eError) {
            return entry.m_szText;
        }
    }
    return "unknown error";
}

CSoundInput::~CSoundInput() {
    Close();
}

void CSoundInput::Close() {
    if (m_pSound != nullptr) {
        sf_close(m_pSound);
        m_pSound = nullptr;
    }
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    m_pCursor.reset();
    m_pOwnedSource.reset();
    std::vector<uint8_t>().swap(m_held);
    m_nHeld = m_nReplayed = 0;
    m_bHolding = m_bReplayed = false;
    m_bReadError = false;
}

ESoundError CSoundInput::Open(const std::string& strPath) {
    Close();
    m_strFailure.clear();
    const bool bStdin = strPath == "-";
    std::FILE* pFile = bStdin ? CStdioSource::BinaryStdin() : OpenFileUtf8(strPath, "rb");
    if (pFile == nullptr) {
        const int nError = errno;
        // Windows does not open a folder at all, and says only "Permission
        // denied".
        std::error_code error;
        const bool bFolder =
            !bStdin &&
            std::filesystem::is_directory(
                std::filesystem::path(std::u8string(strPath.begin(), strPath.end())), error);
        m_strFailure = CannotOpenText(bFolder ? "it is a folder" : std::strerror(nError));
        return ESoundError::kCannotOpen;
    }
    const CStdioSource::EKind eKind = CStdioSource::KindOf(pFile);
    if (eKind == CStdioSource::EKind::kFolder) {
        std::fclose(pFile);
        m_strFailure = CannotOpenText("it is a folder");
        return ESoundError::kCannotOpen;
    }
    if (bStdin || eKind != CStdioSource::EKind::kRegular) {
        m_pOwnedSource = std::make_unique<CStdioSource>(pFile, !bStdin);
        m_pCursor = std::make_unique<CStreamCursor>(*m_pOwnedSource);
        return OpenSound();
    }
    m_pFile = pFile;
    // Large reads from the system, whatever sizes libsndfile asks for.
    std::setvbuf(m_pFile, nullptr, _IOFBF, kFileBufferSize);
    return OpenSound();
}

ESoundError CSoundInput::Open(CByteSource& source) {
    Close();
    m_strFailure.clear();
    m_pCursor = std::make_unique<CStreamCursor>(source);
    return OpenSound();
}

ESoundError CSoundInput::OpenSound() {
    SF_VIRTUAL_IO io{&VioLength, &VioSeek, &VioRead, &VioWrite, &VioTell};
    if (m_pCursor != nullptr) {
        io = {&StreamLength, &StreamSeek, &StreamRead, &VioWrite, &StreamTell};
    }
    SF_INFO info{};
    m_pSound = sf_open_virtual(&io, SFM_READ, &info, this);
    if (m_pSound == nullptr) {
        const int nSystemError = errno;
        const bool bUnreadable =
            m_pCursor != nullptr ? m_pCursor->HasReadError() : std::ferror(m_pFile) != 0;
        if (bUnreadable) {
            m_strFailure = CannotOpenText(std::strerror(nSystemError));
        } else {
            m_strFailure = NotAudioText(sf_strerror(nullptr), Head());
        }
        Close();
        return bUnreadable ? ESoundError::kCannotOpen : ESoundError::kNotAudio;
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        m_strFailure = NotAudioText("no channels or no rate", Head());
        Close();
        return ESoundError::kNotAudio;
    }
    if (m_pCursor != nullptr) {
        m_pCursor->EndHeader();
    }
    m_nRate = info.samplerate;
    m_nChannels = info.channels;
    m_nBits = BitsOf(info.format);
    m_nFrames = info.frames;
    const int64_t nStoredFrameBytes = int64_t{m_nBits / 8} * m_nChannels;
    if (m_pCursor != nullptr && nStoredFrameBytes > 0 &&
        m_nFrames >= kUnknownSize / nStoredFrameBytes) {
        m_nFrames = 0;
    }
    const bool bSwapped = sf_command(m_pSound, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_TRUE;
    m_eCoding = CodingOf(info.format, bSwapped);
    const size_t nFrameBytes = FrameBytes();
    m_nMaxReadFrames = static_cast<int32_t>(std::max<size_t>(1, kReadBytes / nFrameBytes));
    m_read.resize(static_cast<size_t>(m_nMaxReadFrames) * nFrameBytes + 2 * kSamplePadding);
    m_bHolding = true;
    return ESoundError::kNone;
}

std::span<const uint8_t> CSoundInput::Head() {
    if (m_pCursor != nullptr) {
        return m_pCursor->Head();
    }
    // A regular file: its first bytes once more.
    m_nHead = 0;
    if (m_pFile != nullptr && SeekFile64(m_pFile, 0, SEEK_SET) == 0) {
        m_nHead = std::fread(m_head, 1, sizeof m_head, m_pFile);
    }
    return {m_head, m_nHead};
}

size_t CSoundInput::FrameBytes() const {
    return static_cast<size_t>(BytesPerSample(m_eCoding)) * static_cast<size_t>(m_nChannels);
}

SChannelLayout CSoundInput::Layout(int32_t nChannel) const {
    SChannelLayout layout;
    layout.m_eCoding = m_eCoding;
    layout.m_nFrameBytes = FrameBytes();
    layout.m_nOffset =
        static_cast<size_t>(BytesPerSample(m_eCoding)) * static_cast<size_t>(nChannel);
    return layout;
}

int32_t CSoundInput::Read(const uint8_t*& pFrames, int32_t nFrames) {
    uint8_t* pBuffer = m_read.data() + kSamplePadding;
    pFrames = pBuffer;
    if (m_pSound == nullptr) {
        return 0;
    }
    const size_t nFrameBytes = FrameBytes();
    const int32_t nWanted = std::clamp(nFrames, 0, m_nMaxReadFrames);
    const size_t nWantedBytes = static_cast<size_t>(nWanted) * nFrameBytes;
    size_t nFromHeld = 0;
    if (m_nReplayed < m_nHeld) {
        uint8_t* pHeld = m_held.data() + kSamplePadding + m_nReplayed;
        if (m_nHeld - m_nReplayed >= nWantedBytes) {
            // All of them held: handed out where they are.
            m_nReplayed += nWantedBytes;
            pFrames = pHeld;
            return nWanted;
        }
        nFromHeld = m_nHeld - m_nReplayed;
        std::memcpy(pBuffer, pHeld, nFromHeld);
        m_nReplayed = m_nHeld;
    }
    const auto nHeldFrames = static_cast<int32_t>(nFromHeld / nFrameBytes);
    const int32_t nRead = ReadSound(pBuffer + nFromHeld, nWanted - nHeldFrames);
    if (m_bHolding && !m_bReplayed) {
        Hold(pBuffer, static_cast<size_t>(nRead) * nFrameBytes);
    } else if (m_bHolding && nRead > 0) {
        // Frames past those held, after a Replay: they are no longer needed.
        m_bHolding = false;
        std::vector<uint8_t>().swap(m_held);
        m_nHeld = m_nReplayed = 0;
    }
    return nHeldFrames + nRead;
}

int32_t CSoundInput::ReadyFrames() const {
    if (m_pCursor == nullptr) {
        return m_nMaxReadFrames;
    }
    // The held ones first, on their own: a read past them ends the holding,
    // which the priming after the survey must not. Then what has arrived,
    // counted in stored frames: compressed ones arrive smaller, so that this
    // counts fewer than there are.
    const int64_t nStoredFrameBytes = std::max(int64_t{1}, int64_t{m_nBits / 8} * m_nChannels);
    const int64_t nHeld = static_cast<int64_t>((m_nHeld - m_nReplayed) / FrameBytes());
    const int64_t nReady = nHeld > 0 ? nHeld : m_pCursor->Ready() / nStoredFrameBytes;
    return static_cast<int32_t>(std::clamp<int64_t>(nReady, kStreamReadFrames, m_nMaxReadFrames));
}

int32_t CSoundInput::ReadSound(uint8_t* pOut, int32_t nFrames) {
    if (m_bReadError) {
        return 0;
    }
    const size_t nFrameBytes = FrameBytes();
    int32_t nDone = 0;
    while (nDone < nFrames) {
        uint8_t* pAt = pOut + static_cast<size_t>(nDone) * nFrameBytes;
        const sf_count_t nAsked = nFrames - nDone;
        sf_count_t nGot = 0;
        switch (m_eCoding) {
            case ESampleCoding::kInt32:
                nGot = sf_readf_int(m_pSound, reinterpret_cast<int*>(pAt), nAsked);
                break;
            case ESampleCoding::kDouble:
                nGot = sf_readf_double(m_pSound, reinterpret_cast<double*>(pAt), nAsked);
                break;
            default:
                nGot = sf_read_raw(m_pSound, pAt, nAsked * static_cast<sf_count_t>(nFrameBytes)) /
                       static_cast<sf_count_t>(nFrameBytes);
                break;
        }
        if (nGot > 0) {
            nDone += static_cast<int32_t>(nGot);
        }
        if (m_bReadError || nGot <= 0) {
            break;  // the frames read before an error are the input's own
        }
    }
    // A stream's error shows where its bytes run out.
    if (nDone < nFrames && m_pCursor != nullptr && m_pCursor->HasReadError()) {
        m_bReadError = true;
    }
    return nDone;
}

void CSoundInput::Hold(const uint8_t* pFrames, size_t nBytes) {
    if (m_nHeld + nBytes > kHeldBytes) {
        m_bHolding = false;  // too many: Replay can no longer go back
        std::vector<uint8_t>().swap(m_held);
        m_nHeld = 0;
        return;
    }
    m_held.resize(kSamplePadding + m_nHeld + nBytes + kSamplePadding);
    std::memcpy(m_held.data() + kSamplePadding + m_nHeld, pFrames, nBytes);
    m_nHeld += nBytes;
    m_nReplayed = m_nHeld;
}

int32_t CSoundInput::MaxHeldFrames() const {
    return static_cast<int32_t>(kHeldBytes / std::max<size_t>(1, FrameBytes()));
}

bool CSoundInput::Replay() {
    if (m_pSound == nullptr || !m_bHolding) {
        return false;
    }
    m_nReplayed = 0;
    m_bReplayed = true;
    return true;
}

int64_t CSoundInput::VioLength(void* pUser) {
    return FileLength64(static_cast<CSoundInput*>(pUser)->m_pFile);
}

int64_t CSoundInput::VioSeek(int64_t nOffset, int nWhence, void* pUser) {
    std::FILE* pFile = static_cast<CSoundInput*>(pUser)->m_pFile;
    return SeekFile64(pFile, nOffset, nWhence) == 0 ? TellFile64(pFile) : -1;
}

int64_t CSoundInput::VioRead(void* pOut, int64_t nBytes, void* pUser) {
    auto* pSelf = static_cast<CSoundInput*>(pUser);
    if (nBytes <= 0) {
        return 0;
    }
    const size_t nRead = std::fread(pOut, 1, static_cast<size_t>(nBytes), pSelf->m_pFile);
    if (nRead < static_cast<size_t>(nBytes) && std::ferror(pSelf->m_pFile) != 0) {
        pSelf->m_bReadError = true;
    }
    return static_cast<int64_t>(nRead);
}

int64_t CSoundInput::VioWrite(const void*, int64_t, void*) {
    return 0;  // read only
}

int64_t CSoundInput::VioTell(void* pUser) {
    return TellFile64(static_cast<CSoundInput*>(pUser)->m_pFile);
}

int64_t CSoundInput::StreamLength(void*) {
    // Unknown: as long as anything can be, as libsndfile takes a pipe.
    return std::numeric_limits<int64_t>::max();
}

int64_t CSoundInput::StreamSeek(int64_t nOffset, int nWhence, void* pUser) {
    return static_cast<CSoundInput*>(pUser)->m_pCursor->Seek(nOffset, nWhence);
}

int64_t CSoundInput::StreamRead(void* pOut, int64_t nBytes, void* pUser) {
    return static_cast<CSoundInput*>(pUser)->m_pCursor->Read(pOut, nBytes);
}

int64_t CSoundInput::StreamTell(void* pUser) {
    return static_cast<CSoundInput*>(pUser)->m_pCursor->Tell();
}
