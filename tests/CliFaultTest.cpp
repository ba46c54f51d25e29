// The command-line driver when its files let it down: a recording that fails,
// shrinks or grows while it is read, a disk that fills up, an output folder
// that is gone, a folder given as the recording. The driver runs as a child
// process; faults in the recording come from tavro_stream_faults, preloaded
// into it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Messages.h"
#include "TapeReader.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

namespace fs = std::filesystem;

namespace {

// The driver's environment: the test's own, and with faults, the fault
// library preloaded ahead of any others, and its settings. AddressSanitizer
// wants to be the first library loaded and would refuse to start behind it.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& faults) {
    std::vector<std::string> env;
    std::string strPreload = "LD_PRELOAD=";
    strPreload += TAVRO_STREAM_FAULTS_PATH;
    std::string strAsan = "ASAN_OPTIONS=";
    for (const std::string& strVariable : CurrentEnvironment()) {
        const std::string_view strEntry = strVariable;
        if (faults.empty()) {
            env.emplace_back(strEntry);
        } else if (strEntry.starts_with("LD_PRELOAD=")) {
            strPreload.push_back(':');
            strPreload.append(strEntry.substr(11));
        } else if (strEntry.starts_with("ASAN_OPTIONS=")) {
            strAsan.append(strEntry.substr(13));
            strAsan.push_back(':');
        } else if (!strEntry.starts_with("TAVRO_FAULT")) {
            env.emplace_back(strEntry);
        }
    }
    if (!faults.empty()) {
        strAsan.append("verify_asan_link_order=0");  // last, so that it counts
        env.push_back(strPreload);
        env.push_back(strAsan);
        env.insert(env.end(), faults.begin(), faults.end());
    }
    return env;
}

// Runs the driver in folder; with faults (NAME=VALUE settings), the fault
// library is preloaded.
SChildResult RunCli(const fs::path& folder, const std::vector<std::string>& arguments,
                    const std::vector<std::string>& faults = {}, SChildOptions options = {}) {
    options.environment = ChildEnvironment(faults);
    return RunChild(TAVRO_CLI_PATH, folder, arguments, options);
}

std::string LastLine(const std::string& strOut) {
    if (strOut.empty() || strOut.back() != '\n') {
        return "(no whole line)";
    }
    const std::string strLines = strOut.substr(0, strOut.size() - 1);
    const size_t nBreak = strLines.rfind('\n');
    return nBreak == std::string::npos ? strLines : strLines.substr(nBreak + 1);
}

std::string Status(const char* szText) {
    return std::string("status: ") + szText;
}

// True when output is the start of data, but for its last byte: the byte in
// progress when the data ended is finished by the end-of-data rule.
bool IsDecodedPrefix(const std::vector<uint8_t>& output, const std::vector<uint8_t>& data) {
    return !output.empty() && output.size() <= data.size() &&
           std::equal(output.begin(), output.end() - 1, data.begin());
}

class CliFaultTest : public ::testing::Test {
protected:
    // Where the fault strikes: the stream has read ahead four times over.
    static constexpr size_t kFaultAt = 4 * CTapeReader::kStreamBufferSize;
    // The recording goes on at least this far past the fault.
    static constexpr size_t kMargin = 200000;

    CliFaultTest() {
        m_data.resize(2000);
        for (size_t k = 0; k < m_data.size(); ++k) {
            m_data[k] = static_cast<uint8_t>(k * 13 + 5);
        }
        m_wav = Wav(m_data);
    }

    static std::vector<uint8_t> Wav(const std::vector<uint8_t>& data) {
        CTickSignal signal;
        signal.Halves(CTickSignal::kShort, 200).Bytes(data).Halves(CTickSignal::kShort, 4);
        return MakeWav(44100, 1, signal.Samples());
    }

    // A fresh folder for one run of the driver, holding "in.wav" made of
    // the given bytes.
    fs::path Folder(const std::string& strName, std::span<const uint8_t> wav) {
        const fs::path folder = m_dir.Path() / strName;
        fs::create_directory(folder);
        WriteBytes(PathUtf8(folder / "in.wav"), wav);
        return folder;
    }

    static std::vector<uint8_t> Output(const fs::path& folder) {
        return ReadBytes(PathUtf8(folder / Messages::kOutputName));
    }

    // What the driver makes of the first nBytes of the recording when that
    // is all there is: what a fault at nBytes must leave in "test.dat".
    std::vector<uint8_t> DecodedFrom(size_t nBytes) {
        const std::string strName = "first-" + std::to_string(nBytes);
        const fs::path folder =
            Folder(strName, std::span<const uint8_t>(m_wav).first(std::min(nBytes, m_wav.size())));
        const SChildResult result = RunCli(folder, {"in.wav"});
        EXPECT_EQ(result.nExit, 0);
        EXPECT_EQ(LastLine(result.strOut), Status(Messages::kDone));
        return Output(folder);
    }

    SChildResult RunWithFault(const fs::path& folder, const std::string& strFault,
                              std::vector<std::string> settings) {
        settings.push_back("TAVRO_FAULT_PATH=in.wav");
        settings.push_back("TAVRO_FAULT_AFTER=" + std::to_string(kFaultAt));
        settings.push_back("TAVRO_FAULT=" + strFault);
        return RunCli(folder, {"in.wav"}, settings);
    }

    CTempDir m_dir;
    std::vector<uint8_t> m_data;  // the recording's bytes
    std::vector<uint8_t> m_wav;   // ... and its file
};

TEST_F(CliFaultTest, AReadErrorKeepsTheBytesDecodedBeforeIt) {
    ASSERT_GT(m_wav.size(), kFaultAt + kMargin);
    const fs::path folder = Folder("run", m_wav);
    const SChildResult result = RunWithFault(folder, "read-error", {});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(LastLine(result.strOut), Status(Messages::kReadError));
    EXPECT_EQ(result.strErr, "");

    // The data ends exactly where the error struck: as if the file ended there.
    const std::vector<uint8_t> output = Output(folder);
    EXPECT_EQ(output, DecodedFrom(kFaultAt));
    EXPECT_TRUE(IsDecodedPrefix(output, m_data));
    EXPECT_GT(output.size(), 500u);
    EXPECT_LT(output.size(), m_data.size());
}

// The robust decoder meets the same error the same way: the bytes decoded
// before it are kept, and the run says that reading failed.
TEST_F(CliFaultTest, TheRobustDecoderKeepsTheBytesBeforeAReadError) {
    const fs::path folder = Folder("robust", m_wav);
    std::vector<std::string> settings = {"TAVRO_FAULT_PATH=in.wav",
                                         "TAVRO_FAULT_AFTER=" + std::to_string(kFaultAt),
                                         "TAVRO_FAULT=read-error"};
    const SChildResult result = RunCli(folder, {"--robust", "in.wav"}, settings);
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(LastLine(result.strOut), Status(Messages::kReadError));
    // It reads the file once, but in larger reads than the default path, so
    // its bytes before the fault need not be the same.
    const std::vector<uint8_t> output = Output(folder);
    EXPECT_GT(output.size(), 50u);
    EXPECT_LT(output.size(), m_data.size());
    EXPECT_TRUE(std::equal(output.begin(), output.end(), m_data.begin()));
}

TEST_F(CliFaultTest, AFileThatShrinksWhileReadEndsWhereItNowEnds) {
    ASSERT_GT(m_wav.size(), kFaultAt + kMargin);
    const size_t nNewSize = kFaultAt + kMargin / 2;
    const fs::path folder = Folder("run", m_wav);
    const SChildResult result =
        RunWithFault(folder, "shrink", {"TAVRO_FAULT_SIZE=" + std::to_string(nNewSize)});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(LastLine(result.strOut), Status(Messages::kDone));
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(fs::file_size(folder / "in.wav"), nNewSize);

    // Read on past the fault, up to the new end and no further.
    const std::vector<uint8_t> output = Output(folder);
    EXPECT_EQ(output, DecodedFrom(nNewSize));
    EXPECT_TRUE(IsDecodedPrefix(output, m_data));
    EXPECT_GT(output.size(), DecodedFrom(kFaultAt).size() + 100);
    EXPECT_LT(output.size(), m_data.size());
}

TEST_F(CliFaultTest, AFileThatGrowsWhileReadIsDecodedToItsNewEnd) {
    // The file holds the start of the recording; the rest arrives while it
    // is read.
    ASSERT_GT(m_wav.size(), kFaultAt + kMargin);
    const size_t nFirst = kFaultAt + kMargin / 4;
    const std::span<const uint8_t> wav(m_wav);
    const fs::path folder = Folder("run", wav.first(nFirst));
    const std::string strRest = PathUtf8(m_dir.Path() / "rest.bin");
    WriteBytes(strRest, wav.subspan(nFirst));

    const SChildResult result = RunWithFault(folder, "grow", {"TAVRO_FAULT_APPEND=" + strRest});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(LastLine(result.strOut), Status(Messages::kDone));
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(ReadBytes(PathUtf8(folder / "in.wav")), m_wav);
    EXPECT_EQ(Output(folder), m_data);
}

TEST_F(CliFaultTest, AFullDiskKeepsTheBytesThatFitted) {
    // More bytes than the limits let the driver write. Output is buffered:
    // the write that fails comes while decoding or when the file is closed.
    std::vector<uint8_t> data(6000);
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<uint8_t>(k * 7 + k / 256);
    }
    const std::vector<uint8_t> wav = Wav(data);
    for (const rlim_t nLimit : {rlim_t{1024}, rlim_t{5 * 1024}}) {
        const fs::path folder = Folder("limit-" + std::to_string(nLimit), wav);
        SChildOptions options;
        options.nFileSizeLimit = nLimit;
        const SChildResult result = RunCli(folder, {"in.wav"}, {}, options);
        EXPECT_EQ(result.nExit, 1) << nLimit;
        EXPECT_EQ(LastLine(result.strOut), Status(Messages::kWriteError)) << nLimit;
        EXPECT_EQ(result.strErr, "") << nLimit;

        const std::vector<uint8_t> output = Output(folder);
        ASSERT_EQ(output.size(), nLimit);
        EXPECT_TRUE(std::equal(output.begin(), output.end(), data.begin())) << nLimit;
    }
}

TEST_F(CliFaultTest, NoOutputWhereTheFolderCannotHoldIt) {
    const std::string strWav = PathUtf8(m_dir.Path() / "in.wav");
    WriteBytes(strWav, m_wav);
    const std::string strFileLine = "file: " + strWav + " (44100 kHz / 8 bit)\n";

    // The current folder was deleted before the run.
    const fs::path gone = m_dir.Path() / "gone";
    fs::create_directory(gone);
    SChildOptions options;
    options.bRemoveFolder = true;
    const SChildResult deleted = RunCli(gone, {strWav}, {}, options);
    EXPECT_EQ(deleted.nExit, 1);
    EXPECT_EQ(deleted.strOut, strFileLine + Status(Messages::kOutputNotOpened) + "\n");
    EXPECT_EQ(deleted.strErr, "");
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(m_dir.Path() / Messages::kOutputName));

    // "test.dat" leads into a file as if it were a folder.
    const fs::path folder = m_dir.Path() / "through-a-file";
    fs::create_directory(folder);
    fs::create_symlink(fs::path(strWav) / "test.dat", folder / Messages::kOutputName);
    const SChildResult notFolder = RunCli(folder, {strWav});
    EXPECT_EQ(notFolder.nExit, 1);
    EXPECT_EQ(notFolder.strOut, strFileLine + Status(Messages::kOutputNotOpened) + "\n");
    EXPECT_EQ(ReadBytes(strWav), m_wav);
}

TEST_F(CliFaultTest, AFolderIsNoRecording) {
    const fs::path folder = Folder("run", m_wav);
    fs::create_directory(folder / "sub.wav");
    const SChildResult result = RunCli(folder, {"sub.wav"});
    EXPECT_EQ(result.nExit, 1);
    EXPECT_EQ(result.strOut, Status(Messages::kWavNotOpened) + "\n");
    EXPECT_EQ(result.strErr, "");
    EXPECT_FALSE(fs::exists(folder / Messages::kOutputName));
}

}  // namespace
