#include "OpenFailure.h"

#include <array>
#include <cstring>

namespace {

struct SKnownKind {
    size_t m_nAt;          // where its mark lies
    const char* m_szMark;  // bytes that mark it
    const char* m_szKind;  // what it is
};

constexpr std::array<SKnownKind, 8> kKinds = {{
    {4, "ftyp", "an MP4 or M4A file (AAC audio, most likely)"},
    {0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11", "a WMA file"},
    {0, "#!AMR", "an AMR file"},
    {0, "MAC ", "a Monkey's Audio file"},
    {0, "wvpk", "a WavPack file"},
    {0, "\x2E\x52\x4D\x46", "a RealAudio file"},
    {0, "MThd", "a MIDI file, which holds no recording"},
    {0, "ID3", "an MP3 file"},
}};

bool HasMark(std::span<const uint8_t> head, const SKnownKind& kind) {
    const size_t nMark = std::strlen(kind.m_szMark);
    return head.size() >= kind.m_nAt + nMark &&
           std::memcmp(head.data() + kind.m_nAt, kind.m_szMark, nMark) == 0;
}

}  // namespace

std::string UnreadableKind(std::span<const uint8_t> head) {
    for (const SKnownKind& kind : kKinds) {
        if (HasMark(head, kind)) {
            return kind.m_szKind;
        }
    }
    // MPEG audio frames start with 11 set bits; the layer bits tell AAC
    // (ADTS, layer 0) from MP3 and its kin.
    if (head.size() >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) {
        return (head[1] & 0x06) == 0 ? "an AAC file" : "an MP3 file";
    }
    return {};
}

std::string CannotOpenText(const std::string& strSystem) {
    return "cannot be opened: " + strSystem;
}

std::string NotAudioText(const std::string& strLibrary, std::span<const uint8_t> head) {
    if (head.empty()) {
        return "holds nothing: it is empty";
    }
    std::string strText = "holds no audio that libsndfile reads (" + strLibrary + ")";
    const std::string strKind = UnreadableKind(head);
    if (!strKind.empty()) {
        strText += "; it looks like " + strKind +
                   ". Convert it into FLAC or WAV first, for example: ffmpeg -i tape.m4a "
                   "tape.flac";
    }
    return strText;
}
