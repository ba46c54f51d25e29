#include "SoundInput.h"

#include <sndfile.h>

#include <algorithm>
#include <bit>

#include "FileOpen.h"

namespace {

constexpr size_t kFileBufferSize = 256 * 1024;

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

int Seek64(std::FILE* pFile, int64_t nOffset, int nWhence) {
#ifdef _WIN32
    return _fseeki64(pFile, nOffset, nWhence);
#else
    return fseeko(pFile, static_cast<off_t>(nOffset), nWhence);
#endif
}

int64_t Tell64(std::FILE* pFile) {
#ifdef _WIN32
    return _ftelli64(pFile);
#else
    return static_cast<int64_t>(ftello(pFile));
#endif
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
    m_bReadError = false;
}

ESoundError CSoundInput::Open(const std::string& strPath) {
    Close();
    m_pFile = OpenFileUtf8(strPath, "rb");
    if (m_pFile == nullptr) {
        return ESoundError::kCannotOpen;
    }
    // Large reads from the system, whatever sizes libsndfile asks for.
    std::setvbuf(m_pFile, nullptr, _IOFBF, kFileBufferSize);
    SF_VIRTUAL_IO io{&VioLength, &VioSeek, &VioRead, &VioWrite, &VioTell};
    SF_INFO info{};
    m_pSound = sf_open_virtual(&io, SFM_READ, &info, this);
    if (m_pSound == nullptr) {
        const bool bUnreadable = std::ferror(m_pFile) != 0;
        Close();
        return bUnreadable ? ESoundError::kCannotOpen : ESoundError::kNotAudio;
    }
    if (info.channels <= 0 || info.samplerate <= 0) {
        Close();
        return ESoundError::kNotAudio;
    }
    m_nRate = info.samplerate;
    m_nChannels = info.channels;
    m_nBits = BitsOf(info.format);
    m_nFrames = info.frames;
    const bool bSwapped = sf_command(m_pSound, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_TRUE;
    m_eCoding = CodingOf(info.format, bSwapped);
    const size_t nFrameBytes = FrameBytes();
    m_nMaxReadFrames = static_cast<int32_t>(std::max<size_t>(1, kReadBytes / nFrameBytes));
    m_read.resize(static_cast<size_t>(m_nMaxReadFrames) * nFrameBytes + 2 * kSamplePadding);
    return ESoundError::kNone;
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
    if (m_pSound == nullptr || m_bReadError) {
        return 0;
    }
    const size_t nFrameBytes = FrameBytes();
    const int32_t nWanted = std::clamp(nFrames, 0, m_nMaxReadFrames);
    int32_t nDone = 0;
    while (nDone < nWanted) {
        uint8_t* pOut = pBuffer + static_cast<size_t>(nDone) * nFrameBytes;
        const sf_count_t nAsked = nWanted - nDone;
        sf_count_t nGot = 0;
        switch (m_eCoding) {
            case ESampleCoding::kInt32:
                nGot = sf_readf_int(m_pSound, reinterpret_cast<int*>(pOut), nAsked);
                break;
            case ESampleCoding::kDouble:
                nGot = sf_readf_double(m_pSound, reinterpret_cast<double*>(pOut), nAsked);
                break;
            default:
                nGot = sf_read_raw(m_pSound, pOut, nAsked * static_cast<sf_count_t>(nFrameBytes)) /
                       static_cast<sf_count_t>(nFrameBytes);
                break;
        }
        if (nGot > 0) {
            nDone += static_cast<int32_t>(nGot);
        }
        if (m_bReadError || nGot <= 0) {
            break;  // the frames read before an error are the file's own
        }
    }
    return nDone;
}

bool CSoundInput::Rewind() {
    return m_pSound != nullptr && !m_bReadError && sf_seek(m_pSound, 0, SEEK_SET) == 0;
}

int64_t CSoundInput::VioLength(void* pUser) {
    std::FILE* pFile = static_cast<CSoundInput*>(pUser)->m_pFile;
    const int64_t nHere = Tell64(pFile);
    if (nHere < 0 || Seek64(pFile, 0, SEEK_END) != 0) {
        return -1;
    }
    const int64_t nLength = Tell64(pFile);
    Seek64(pFile, nHere, SEEK_SET);
    return nLength;
}

int64_t CSoundInput::VioSeek(int64_t nOffset, int nWhence, void* pUser) {
    std::FILE* pFile = static_cast<CSoundInput*>(pUser)->m_pFile;
    return Seek64(pFile, nOffset, nWhence) == 0 ? Tell64(pFile) : -1;
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
    return Tell64(static_cast<CSoundInput*>(pUser)->m_pFile);
}
