// tavro-tape-cli --record through the real sound system without a sound
// card: PortAudio opens an ALSA device that the test defines in its own
// configuration (ALSA_CONFIG_PATH), the file plugin over the null device,
// whose capture reads the encoder's recording from its "infile". The null
// device keeps no time: the capture takes the recording as fast as it is
// read, and after its end the last period again and again (the recordings
// end in silence). A FIFO that holds the recording and then nothing plays
// a device that stops delivering. (A device that goes away cannot be staged
// through the file plugin, which ignores failed reads of its infile; the
// unit tests cover the capture stopping by itself.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "support/AlsaTapeDevice.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace {

constexpr int32_t kRate = kTapeDeviceRate;

CAnalogBlock Block(const char* szName, size_t nBytes, uint8_t nSeed) {
    CAnalogBlock block;
    block.m_strName = szName;
    block.m_data.resize(nBytes);
    for (size_t k = 0; k < nBytes; ++k) {
        block.m_data[k] = static_cast<uint8_t>(k * 37 + nSeed);
    }
    return block;
}

// An ALSA configuration with the capture device "tapein" reading strInfile,
// and the environment that makes it the only one.
std::vector<std::string> AlsaEnvironment(const CTempDir& dir, const std::string& strInfile) {
    const std::string strConfig = WriteAlsaConfig(dir, strInfile);
    std::vector<std::string> env;
    for (const std::string& strEntry : CurrentEnvironment()) {
        if (!strEntry.starts_with("ALSA_CONFIG_PATH=")) {
            env.push_back(strEntry);
        }
    }
    env.push_back("ALSA_CONFIG_PATH=" + strConfig);
    return env;
}

const std::vector<std::string> kRecord = {"--record", "--device",   "tapein", "--rate",
                                          "44100",    "--channels", "1"};

std::vector<std::string> RecordArgs(std::vector<std::string> extra) {
    std::vector<std::string> args = kRecord;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// The bytes --robust decodes from a kept recording.
std::vector<uint8_t> DecodeKept(const CTempDir& dir, const std::string& strKept) {
    const SChildResult result =
        RunChild(TAVRO_CLI_PATH, dir.Path(), {"--robust", "-o", "again.dat", strKept});
    EXPECT_EQ(result.nExit, 0) << result.strOut << result.strErr;
    return ReadBytes(dir.File("again.dat"));
}

std::string LastLine(const std::string& strOut) {
    const size_t nEnd = strOut.find_last_not_of('\n');
    if (nEnd == std::string::npos) {
        return {};
    }
    const size_t nStart = strOut.rfind('\n', nEnd);
    return strOut.substr(nStart == std::string::npos ? 0 : nStart + 1, nEnd + 1 - (nStart + 1));
}

TEST(RecordCliTest, CapturesDecodesAndKeepsUntilTheSetLengthOrSilence) {
    const std::vector<CAnalogBlock> blocks = {Block("FIRST", 300, 1), Block("SECOND", 200, 2)};
    const std::vector<uint8_t> pcm = TapePcm(blocks, 3.0);
    const std::string strSeconds = std::to_string(static_cast<double>(pcm.size()) / 2 / kRate);
    const struct {
        const char* szKeep;
        std::vector<std::string> stop;
    } kCases[] = {
        {"kept.flac", {"--seconds", strSeconds}},
        {"kept.wav", {"--stop-after-silence", "1"}},
    };
    for (const auto& test : kCases) {
        CTempDir dir;
        WriteBytes(dir.File("tape.raw"), pcm);
        SChildOptions options;
        options.environment = AlsaEnvironment(dir, dir.File("tape.raw"));
        std::vector<std::string> args = RecordArgs({"--keep", test.szKeep});
        args.insert(args.end(), test.stop.begin(), test.stop.end());
        const SChildResult result = RunChild(TAVRO_CLI_PATH, dir.Path(), args, options);
        EXPECT_EQ(result.nExit, 0) << test.szKeep << "\n" << result.strOut << result.strErr;
        EXPECT_EQ(LastLine(result.strOut), "status: Hotovo :-)") << result.strOut;
        EXPECT_NE(result.strErr.find(std::string("kept in ") + test.szKeep), std::string::npos)
            << result.strErr;
        EXPECT_EQ(ReadBytes(dir.File("test.dat")), TapeBytes(blocks)) << test.szKeep;
        EXPECT_EQ(DecodeKept(dir, test.szKeep), TapeBytes(blocks)) << test.szKeep;
    }
}

bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& start) {
    return bytes.size() >= start.size() && std::equal(start.begin(), start.end(), bytes.begin());
}

// Killed, or stopped with Ctrl+C, once the second block's name is on
// standard output: by then the first block and its gap were taken more than
// a second before.
TEST(RecordCliTest, KilledOrStoppedTheKeptRecordingHoldsTheTapeUpToThen) {
    const std::vector<CAnalogBlock> first = {Block("FIRST", 300, 3)};
    const std::vector<CAnalogBlock> blocks = {first[0], Block("SECOND", 400, 4)};
    const std::vector<uint8_t> tape = TapeBytes(blocks);
    for (const int nSignal : {SIGKILL, SIGINT}) {
        CTempDir dir;
        WriteBytes(dir.File("tape.raw"), TapePcm(blocks, 2.0));
        SChildOptions options;
        options.environment = AlsaEnvironment(dir, dir.File("tape.raw"));
        options.signalWhen = [nSignal](const SChildResult& sofar) {
            return sofar.strOut.find("(SECOND)") != std::string::npos ? nSignal : 0;
        };
        const SChildResult result =
            RunChild(TAVRO_CLI_PATH, dir.Path(), RecordArgs({"--keep", "kept.flac"}), options);
        const std::vector<uint8_t> kept = DecodeKept(dir, "kept.flac");
        EXPECT_TRUE(StartsWith(kept, TapeBytes(first))) << kept.size();
        EXPECT_TRUE(StartsWith(tape, kept)) << kept.size();
        if (nSignal == SIGKILL) {
            EXPECT_EQ(result.nExit, -1);
            continue;
        }
        // Ctrl+C: the last block decoded, the output and the recording
        // closed, the final status, exit 0.
        EXPECT_EQ(result.nExit, 0) << result.strOut << result.strErr;
        EXPECT_EQ(LastLine(result.strOut), "status: Hotovo :-)") << result.strOut;
        const std::vector<uint8_t> decoded = ReadBytes(dir.File("test.dat"));
        EXPECT_TRUE(StartsWith(decoded, TapeBytes(first))) << decoded.size();
        EXPECT_TRUE(StartsWith(tape, decoded)) << decoded.size();
        EXPECT_EQ(kept, decoded);
    }
}

// A FIFO as the infile, holding the recording, then nothing: the capture
// takes the recording and then waits in vain.
TEST(RecordCliTest, ADeviceThatStopsDeliveringEndsWithAMessageAndKeepsTheRecording) {
    CTempDir dir;
    const std::vector<CAnalogBlock> blocks = {Block("LAST", 300, 5)};
    const std::vector<uint8_t> pcm = TapePcm(blocks, 1.0);
    const std::string strFifo = dir.File("tape.fifo");
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    // Open for reading and writing: no open waits for the other side, and
    // the recording stays in the FIFO while PortAudio opens and closes the
    // device to list it.
    const int nFifo = open(strFifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(nFifo, 0);
    ASSERT_GE(fcntl(nFifo, F_SETPIPE_SZ, static_cast<int>(pcm.size())),
              static_cast<int>(pcm.size()));
    ASSERT_EQ(write(nFifo, pcm.data(), pcm.size()), static_cast<ssize_t>(pcm.size()));
    SChildOptions options;
    options.environment = AlsaEnvironment(dir, strFifo);
    const SChildResult result =
        RunChild(TAVRO_CLI_PATH, dir.Path(), RecordArgs({"--keep", "kept.flac"}), options);
    close(nFifo);
    EXPECT_EQ(result.nExit, 1) << result.strOut << result.strErr;
    EXPECT_NE(result.strErr.find("the input device stopped delivering sound"), std::string::npos)
        << result.strErr;
    EXPECT_NE(result.strErr.find("kept in kept.flac"), std::string::npos) << result.strErr;
    EXPECT_EQ(ReadBytes(dir.File("test.dat")), TapeBytes(blocks));
    EXPECT_EQ(DecodeKept(dir, "kept.flac"), TapeBytes(blocks));
}

}  // namespace
