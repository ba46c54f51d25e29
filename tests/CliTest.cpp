// The command-line driver: its arguments, its output and its exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Arguments.h"
#include "CliOwner.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

#ifndef _WIN32
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

TEST(CliArgumentsTest, OneRecordingRuns) {
    EXPECT_EQ(ParseArguments({"a.wav"}).eAction, ECliAction::kRun);
    EXPECT_EQ(ParseArguments({"a.wav"}).strPath, "a.wav");
    EXPECT_EQ(ParseArguments({"-"}).strPath, "-");
    EXPECT_EQ(ParseArguments({"--", "--help"}).strPath, "--help");
    EXPECT_EQ(ParseArguments({"--", "-x.wav"}).strPath, "-x.wav");
}

TEST(CliArgumentsTest, OptionsAndUsageErrors) {
    EXPECT_EQ(ParseArguments({"--help"}).eAction, ECliAction::kHelp);
    EXPECT_EQ(ParseArguments({"a.wav", "--version"}).eAction, ECliAction::kVersion);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"a.wav", "b.wav"}, {"-v"}, {"--verbose", "a.wav"}, {"--"}}) {
        const CCliRequest request = ParseArguments(args);
        EXPECT_EQ(request.eAction, ECliAction::kUsageError);
        EXPECT_FALSE(request.strError.empty());
    }
}

TEST(CliEscapeTest, OnlyControlCharactersAreEscaped) {
    EXPECT_EQ(EscapeControls("A\x1B[31mB\x7F\x01\x1F"), "A\\x1B[31mB\\x7F\\x01\\x1F");
    EXPECT_EQ(EscapeControls("čŘ \\x ~"), "čŘ \\x ~");
}

#ifndef _WIN32

struct SRunResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

class CliProgramTest : public ::testing::Test {
protected:
    // Runs the driver in the test's folder with stdout and stderr in files.
    SRunResult RunCli(const std::string& strArgs) {
        const std::string strOut = m_dir.File("stdout.txt");
        const std::string strErr = m_dir.File("stderr.txt");
        const std::string strCommand = "cd '" + PathUtf8(m_dir.Path()) + "' && '" + TAVRO_CLI_PATH +
                                       "' " + strArgs + " >'" + strOut + "' 2>'" + strErr + "'";
        const int nStatus = std::system(strCommand.c_str());
        SRunResult result;
        result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        const std::vector<uint8_t> out = ReadBytes(strOut);
        const std::vector<uint8_t> err = ReadBytes(strErr);
        result.strOut.assign(out.begin(), out.end());
        result.strErr.assign(err.begin(), err.end());
        return result;
    }

    void WriteRecording(const std::string& strName, std::span<const uint8_t> data) {
        CTickSignal signal;
        signal.Halves(CTickSignal::kShort, 200).Bytes(data).Halves(CTickSignal::kShort, 4);
        WriteBytes(m_dir.File(strName), MakeWav(44100, 1, signal.Samples()));
    }

    CTempDir m_dir;
};

TEST_F(CliProgramTest, PipesGetEveryTextOnALineOfItsOwn) {
    std::vector<uint8_t> data(300, 0x20);
    data[0] = 0xFF;
    data[1] = 0x00;
    data[17] = 0x55;
    data[32] = 0x55;
    const std::string strName = "N\x1B[2J\xE8\x7F";  // escape sequence, 'č', DEL
    std::copy(strName.begin(), strName.end(), data.begin() + 39);
    data[46] = 0x00;  // seven name bytes: the zero ends the name
    WriteRecording("in.wav", data);

    const SRunResult result = RunCli("in.wav");
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.strOut,
              "file: in.wav (44100 kHz / 8 bit)\n"
              "status: Hledám záznam...\n"
              "status: Zpracovávám záznam...\n"
              "status: Nacteno: 0  ()\n"
              "status: Nacteno: 256  (N\\x1B[2Jč\\x7F)\n"
              "status: Hotovo :-)\n");
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), data);
}

TEST_F(CliProgramTest, ExitStatusTellsHowTheRunEnded) {
    const SRunResult missing = RunCli("missing.wav");
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_EQ(missing.strOut, "status: Nepodařilo se otevřít vybraný wav...\n");

    WriteRecording("in.wav", std::vector<uint8_t>{1, 2, 3});
    std::filesystem::create_directory(m_dir.Path() / "test.dat");
    const SRunResult blocked = RunCli("in.wav");
    EXPECT_EQ(blocked.nExit, 1);
    EXPECT_EQ(blocked.strOut,
              "file: in.wav (44100 kHz / 8 bit)\n"
              "status: Nepodařilo se otevřít výstupní soubor...\n");
    std::filesystem::remove(m_dir.Path() / "test.dat");

    std::filesystem::create_symlink("/dev/full", m_dir.Path() / "test.dat");
    const SRunResult full = RunCli("in.wav");
    EXPECT_EQ(full.nExit, 1);
    EXPECT_NE(full.strOut.find("status: Chyba při zápisu výstupního souboru...\n"),
              std::string::npos);
}

TEST_F(CliProgramTest, UsageErrorsExitWithTwo) {
    for (const std::string strArgs : {"", "a.wav b.wav", "--frobnicate a.wav"}) {
        const SRunResult result = RunCli(strArgs);
        EXPECT_EQ(result.nExit, 2) << strArgs;
        EXPECT_EQ(result.strOut, "") << strArgs;
        EXPECT_NE(result.strErr.find("usage: tavro-tape-cli"), std::string::npos) << strArgs;
    }
    const SRunResult help = RunCli("--help");
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.strOut.find("usage: tavro-tape-cli"), std::string::npos);
    const SRunResult version = RunCli("--version");
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, "tavro-tape-cli 1.0.0.1\n");
}

TEST_F(CliProgramTest, TerminalsSeeOneStatusLineRewrittenInPlace) {
    WriteRecording("in.wav", std::vector<uint8_t>{1, 2, 3});
    int nMaster = -1;
    const pid_t pid = forkpty(&nMaster, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(PathUtf8(m_dir.Path()).c_str()) == 0) {
            execl(TAVRO_CLI_PATH, TAVRO_CLI_PATH, "in.wav", static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    std::string strScreen;
    char buf[4096];
    for (;;) {
        const ssize_t nRead = read(nMaster, buf, sizeof buf);
        if (nRead <= 0) {
            break;  // EIO once the child has gone
        }
        strScreen.append(buf, static_cast<size_t>(nRead));
    }
    close(nMaster);
    int nStatus = 0;
    waitpid(pid, &nStatus, 0);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);

    // The terminal turns "\n" into "\r\n".
    const std::string strRewrite = "\r\x1B[2K";
    EXPECT_EQ(strScreen.rfind("file: in.wav (44100 kHz / 8 bit)\r\n", 0), 0u) << strScreen;
    EXPECT_NE(strScreen.find(strRewrite + "status: Hledám záznam..." + strRewrite +
                             "status: Zpracovávám záznam..."),
              std::string::npos)
        << strScreen;
    const std::string strEnd = strRewrite + "status: Hotovo :-)\r\n";
    ASSERT_GE(strScreen.size(), strEnd.size());
    EXPECT_EQ(strScreen.substr(strScreen.size() - strEnd.size()), strEnd);
}

#endif

}  // namespace
