// tavro-tape-encode: writes bytes as a tape recording in a WAV file.
#include <array>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "Arguments.h"
#include "EncodeArguments.h"
#include "FileOpen.h"
#include "RecordHeader.h"
#include "TapeEncoder.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: tavro-tape-encode [--rate N] [--bits 8|16|24] [--channels 1|2]\n"
    "                         [--leader N] [--name NAME] [--] INPUT OUTPUT.wav\n"
    "\n"
    "Writes the bytes of INPUT (\"-\" for standard input) as a tape recording to\n"
    "the WAV file OUTPUT.wav: a leader of N short half-periods (default 400;\n"
    "the decoder needs 80), a record header carrying NAME (up to 8 bytes) when\n"
    "--name is given, the bytes, and a short tail. With two channels the tape\n"
    "signal is the second one and the first carries noise. The decoder reads\n"
    "24-bit stereo (6-byte frames) one byte per frame, so it cannot read those.\n"
    "\n"
    "  --rate N      frames per second, 2205 to 44100 (default 44100)\n"
    "  --bits B      bits per sample, 8, 16 or 24 (default 8)\n"
    "  --channels C  1 or 2 (default 1)\n"
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

int Run(const CEncodeRequest& request) {
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
        case EEncodeAction::kRun:
            return Run(request);
        case EEncodeAction::kUsageError:
            break;
    }
    std::fprintf(stderr, "tavro-tape-encode: %s\n\n%s", request.strError.c_str(), kUsage);
    return 2;
}
