// tavro-tape-encode: writes bytes as a tape recording in a WAV file.
#include <array>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "Arguments.h"
#include "EncodeArguments.h"
#include "FileOpen.h"
#include "RecordHeader.h"
#include "TapeEncoder.h"
#include "Version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: tavro-tape-encode [options] [--] INPUT... OUTPUT.wav\n"
    "       tavro-tape-encode --help | --version\n"
    "\n"
    "Writes the bytes of each INPUT (\"-\" for standard input) as one block of a\n"
    "tape recording to the WAV file OUTPUT.wav: a leader of N short half-periods\n"
    "(default 400; the decoder needs 80), a record header carrying a name when\n"
    "--name is given for the block, the bytes, and a short tail.\n"
    "\n"
    "With one INPUT and none of the analog options below, the recording is\n"
    "tick-exact: every half-period lasts exactly as long as the decoder measures\n"
    "it, at 2205 to 44100 frames per second, behind a 46-byte header. With two\n"
    "channels the tape signal is the second one and the first carries noise. The\n"
    "decoder reads 24-bit stereo (6-byte frames) one byte per frame, so it cannot\n"
    "read those.\n"
    "\n"
    "Any analog option, a rate above 44100, 32-bit samples or several inputs make\n"
    "an analog recording instead: the signal as a square wave in continuous time,\n"
    "sampled at 8000 to 192000 frames per second with the faults of a real deck\n"
    "and tape, with --gap seconds of silence before, between and after the blocks.\n"
    "With several inputs, the last path is the output and must end in .wav.\n"
    "\n"
    "  --rate N        frames per second (default 44100)\n"
    "  --bits B        bits per sample: 8, 16, 24, or 32 (analog) (default 8)\n"
    "  --channels C    1 or 2 (default 1)\n"
    "  --leader N      short half-periods before each block's data (default 400)\n"
    "  --name NAME     record name (up to 8 bytes) of the next input's block\n"
    "\n"
    "Analog options:\n"
    "  --float         IEEE float samples: 32 bits, or 64 with --bits 64\n"
    "  --other KIND    the stereo channel without the signal: copy (default),\n"
    "                  silence, or noise as loud as the signal\n"
    "  --extensible    a WAVE_FORMAT_EXTENSIBLE header\n"
    "  --list-chunk    a LIST/INFO chunk before the samples\n"
    "  --level DB      peak level of the signal, -120 to 0 dB full scale (-6)\n"
    "  --speed F       deck speed, 0.5 to 2 (1.1 plays 10 % fast) (1)\n"
    "  --wow PERCENT   peak speed deviation of a sinusoidal wow, 0 to 20 (0)\n"
    "  --wow-hz HZ     rate of the wow, 0.01 to 100 (1)\n"
    "  --hiss DB       white noise this many dB below the signal, 0 = none (0)\n"
    "  --hum DB        hum with 2nd and 3rd harmonic this many dB below the\n"
    "                  signal, 0 = none (0)\n"
    "  --hum-hz HZ     hum frequency, 1 to 1000 (50)\n"
    "  --dc FRACTION   DC offset as a fraction of full scale, -1 to 1 (0)\n"
    "  --lowpass HZ    2-pole Butterworth low-pass (a worn head), 0 = none (0)\n"
    "  --highpass HZ   1-pole high-pass (AC coupling), 0 = none (0)\n"
    "  --highpass-order N  order of that high-pass, 1 to 4; from 2 a Butterworth\n"
    "                  one, as a mixer's or sound card's low-cut (1)\n"
    "  --band LOW-HIGH a line's band, as 300-3400: 4th-order Butterworth\n"
    "                  high-pass and low-pass at these corners\n"
    "  --overdrive DB  soft clipping (tanh) driven this many dB, 0 = none (0)\n"
    "  --allpass HZ    a phaser's 2nd-order all-pass at HZ, 0 = none (0)\n"
    "  --agc-attack MS automatic gain control with this attack, 0 = none (0)\n"
    "  --agc-release MS  ... and this release (500)\n"
    "  --mulaw, --alaw 8-bit G.711 mu-law or A-law samples\n"
    "  --dropouts N    dropouts at random places in the blocks' data (0)\n"
    "  --dropout-ms MS mean dropout length, each 0.5 to 1.5 times it (8)\n"
    "  --dropout-depth DB  attenuation inside a dropout, 1 ms ramps (30)\n"
    "  --invert        inverted polarity\n"
    "  --seed N        seed of the noise and the dropout places (1)\n"
    "  --gap SECONDS   silence around the blocks, in tape time (0.5)\n"
    "\n"
    "Exit status: 0 when the recording was written, 1 when a file could not be\n"
    "read or written, 2 for a usage error.\n";

void RemoveFile(const std::string& strPath) {
    std::error_code error;
    std::filesystem::remove(std::u8string(strPath.begin(), strPath.end()), error);
}

// Feeds the whole input to the encoder; false on a read error.
bool EncodeInput(std::FILE* pInput, CTapeEncoder& encoder) {
    std::array<uint8_t, 64 * 1024> buf{};
    for (;;) {
        const size_t nRead = std::fread(buf.data(), 1, buf.size(), pInput);
        encoder.AddBytes(std::span<const uint8_t>(buf.data(), nRead));
        if (nRead < buf.size()) {
            return std::ferror(pInput) == 0;
        }
    }
}

// Reads the whole input (a block is small) into data; false on an error.
bool ReadInput(const std::string& strInput, std::vector<uint8_t>& data) {
    const bool bStdin = strInput == "-";
#ifdef _WIN32
    if (bStdin) {
        _setmode(_fileno(stdin), _O_BINARY);
    }
#endif
    std::FILE* pInput = bStdin ? stdin : OpenFileUtf8(strInput, "rb");
    if (pInput == nullptr) {
        return false;
    }
    std::array<uint8_t, 64 * 1024> buf{};
    size_t nRead = 0;
    do {
        nRead = std::fread(buf.data(), 1, buf.size(), pInput);
        data.insert(data.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(nRead));
    } while (nRead == buf.size());
    const bool bOk = std::ferror(pInput) == 0;
    if (!bStdin) {
        std::fclose(pInput);
    }
    return bOk;
}

int RunAnalog(const CEncodeRequest& request) {
    std::vector<CAnalogBlock> blocks(request.inputs.size());
    for (size_t k = 0; k < blocks.size(); ++k) {
        if (!ReadInput(request.inputs[k], blocks[k].m_data)) {
            std::fprintf(stderr, "tavro-tape-encode: cannot read %s\n", request.inputs[k].c_str());
            return 1;
        }
        if (k < request.names.size()) {
            blocks[k].m_strName = request.names[k];
        }
    }
    const EAnalogResult eResult =
        WriteAnalogFile(request.strOutput, request.analog, request.impairments, blocks,
                        request.options.m_nLeader, request.dGapSeconds);
    switch (eResult) {
        case EAnalogResult::kWritten:
            return 0;
        case EAnalogResult::kTooLong:
            std::fprintf(stderr, "tavro-tape-encode: %s would pass the 4 GiB limit of a WAV file\n",
                         request.strOutput.c_str());
            return 1;
        case EAnalogResult::kBadSettings:  // the arguments were checked
        case EAnalogResult::kWriteFailed:
            break;
    }
    std::fprintf(stderr, "tavro-tape-encode: cannot write %s\n", request.strOutput.c_str());
    return 1;
}

int Run(const CEncodeRequest& request) {
    if (request.bAnalog) {
        return RunAnalog(request);
    }
    const bool bStdin = request.strInput == "-";
#ifdef _WIN32
    if (bStdin) {
        _setmode(_fileno(stdin), _O_BINARY);
    }
#endif
    std::FILE* pInput = bStdin ? stdin : OpenFileUtf8(request.strInput, "rb");
    if (pInput == nullptr) {
        std::fprintf(stderr, "tavro-tape-encode: cannot open %s\n", request.strInput.c_str());
        return 1;
    }
    std::FILE* pOutput = OpenFileUtf8(request.strOutput, "wb");
    if (pOutput == nullptr) {
        std::fprintf(stderr, "tavro-tape-encode: cannot create %s\n", request.strOutput.c_str());
        if (!bStdin) {
            std::fclose(pInput);
        }
        return 1;
    }

    CFileSink sink(pOutput);
    CTapeEncoder encoder(request.format, sink);
    encoder.AddLeader(request.options.m_nLeader);
    if (request.options.m_bRecordHeader) {
        encoder.AddBytes(MakeRecordHeader(request.options.m_strName));
    }
    const bool bRead = EncodeInput(pInput, encoder);
    if (!bStdin) {
        std::fclose(pInput);
    }
    encoder.AddTail();
    const bool bWritten = encoder.Finish();
    const bool bClosed = std::fclose(pOutput) == 0;
    if (!bRead || !bWritten || !bClosed) {
        std::fprintf(stderr, "tavro-tape-encode: %s %s\n", bRead ? "cannot write" : "cannot read",
                     bRead ? request.strOutput.c_str() : request.strInput.c_str());
        RemoveFile(request.strOutput);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const CEncodeRequest request = ParseEncodeArguments(GetUtf8Arguments(argc, argv));
    switch (request.eAction) {
        case EEncodeAction::kHelp:
            std::fputs(kUsage, stdout);
            return 0;
        case EEncodeAction::kVersion:
            std::printf("tavro-tape-encode %s\n", TAVRO_VERSION_STRING);
            return 0;
        case EEncodeAction::kRun:
            return Run(request);
        case EEncodeAction::kUsageError:
            break;
    }
    std::fprintf(stderr, "tavro-tape-encode: %s\n\n%s", request.strError.c_str(), kUsage);
    return 2;
}
