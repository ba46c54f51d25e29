// The command-line driver: its arguments, its output and its exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CliOwner.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

#ifndef _WIN32
#include "support/ChildProcess.h"

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
    // Several recordings run one after the other.
    const CCliRequest several = ParseArguments({"a.wav", "--json", "b.wav", "--report=r"});
    EXPECT_EQ(several.eAction, ECliAction::kRun);
    EXPECT_EQ(several.paths, (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_TRUE(several.bJson);
    EXPECT_EQ(several.strReport, "r");
    EXPECT_EQ(ParseArguments({"--split", "out", "a.wav"}).strSplit, "out");
    EXPECT_EQ(ParseArguments({"--split=d/e", "a.wav"}).strSplit, "d/e");
}

TEST(CliArgumentsTest, OptionsAndUsageErrors) {
    EXPECT_EQ(ParseArguments({"--help"}).eAction, ECliAction::kHelp);
    EXPECT_EQ(ParseArguments({"a.wav", "--version"}).eAction, ECliAction::kVersion);
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"a.wav", "--report"},
                                                 {"-o"},
                                                 {"a.wav", "--split"},
                                                 {"--split=", "a.wav"},
                                                 {"--json"},
                                                 {"-v"},
                                                 {"--verbose", "a.wav"},
                                                 {"--"}}) {
        const CCliRequest request = ParseArguments(args);
        EXPECT_EQ(request.eAction, ECliAction::kUsageError);
        EXPECT_FALSE(request.strError.empty());
    }
}

TEST(CliArgumentsTest, RecordOptions) {
    const CCliRequest record = ParseArguments({"--record", "--keep=t.wav", "--device", "2",
                                               "--rate", "48000", "--channels=1", "--seconds",
                                               "90.5", "--stop-after-silence", "4", "-o", "b.dat"});
    EXPECT_EQ(record.eAction, ECliAction::kRecord);
    EXPECT_TRUE(record.bRobust);
    EXPECT_EQ(record.strKeep, "t.wav");
    EXPECT_EQ(record.strDevice, "2");
    EXPECT_EQ(record.nRate, 48000);
    EXPECT_EQ(record.nChannels, 1);
    EXPECT_DOUBLE_EQ(record.dSeconds, 90.5);
    EXPECT_DOUBLE_EQ(record.dSilence, 4.0);
    EXPECT_EQ(record.strOutput, "b.dat");
    EXPECT_EQ(ParseArguments({"--record"}).nRate, 44100);
    EXPECT_EQ(ParseArguments({"--list-devices"}).eAction, ECliAction::kListDevices);

    // Each wrong call and the option its error names.
    const struct {
        std::vector<std::string> args;
        const char* szNamed;
    } kWrong[] = {
        {{"--keep", "t.flac", "a.wav"}, "--keep"},
        {{"--seconds=3", "a.wav"}, "--seconds"},
        {{"--record", "a.wav"}, "--record"},
        {{"--record", "--merge"}, "--merge"},
        {{"--record", "--report", "r.html"}, "--report"},
        {{"--record", "--rate", "7999"}, "--rate"},
        {{"--record", "--rate", "44.1k"}, "--rate"},
        {{"--record", "--channels", "0"}, "--channels"},
        {{"--record", "--channels", "33"}, "--channels"},
        {{"--record", "--seconds", "0"}, "--seconds"},
        {{"--record", "--seconds", "-2"}, "--seconds"},
        {{"--record", "--seconds", "nan"}, "--seconds"},
        {{"--record", "--stop-after-silence"}, "--stop-after-silence"},
        {{"--record", "--device="}, "--device"},
        {{"--record", "--keep="}, "--keep"},
        {{"--record", "--channels", "1", "--channel", "2"}, "--channel"},
    };
    for (const auto& wrong : kWrong) {
        const CCliRequest request = ParseArguments(wrong.args);
        EXPECT_EQ(request.eAction, ECliAction::kUsageError) << wrong.args.back();
        EXPECT_NE(request.strError.find(wrong.szNamed), std::string::npos) << request.strError;
    }
}

TEST(CliEscapeTest, OnlyControlCharactersAreEscaped) {
    EXPECT_EQ(EscapeControls("A\x1B[31mB\x7F\x01\x1F"), "A\\x1B[31mB\\x7F\\x01\\x1F");
    EXPECT_EQ(EscapeControls("čŘ \\x ~"), "čŘ \\x ~");
    // C1 controls in UTF-8, at both ends of their range and a CSI between
    // (CSI K erases the line).
    EXPECT_EQ(EscapeControls("a\xC2\x80z\xC2\x9BK\xC2\x9F"), "a\\xC2\\x80z\\xC2\\x9BK\\xC2\\x9F");
    // The characters next to them, and sequences of every length, stay.
    for (const std::string str :
         {"\xC2\xA0", "\xC3\x80", "\xDF\xBF", "\xE0\xA0\x80", "€", "\xED\x9F\xBF", "\xEE\x80\x80",
          "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "😀", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_EQ(EscapeControls(str), str) << EscapeControls(str);
    }
}

TEST(CliEscapeTest, BytesThatAreNotUtf8AreEscapedOneByOne) {
    // A raw 8-bit CSI, stray continuation bytes, and bytes no UTF-8 holds.
    EXPECT_EQ(EscapeControls("\x9BK"), "\\x9BK");
    EXPECT_EQ(EscapeControls("\x80\xBF\xC0\xC1\xF5\xFF"), "\\x80\\xBF\\xC0\\xC1\\xF5\\xFF");
    // Overlong forms, surrogates and code points past U+10FFFF.
    EXPECT_EQ(EscapeControls("\xC1\x9B"), "\\xC1\\x9B");
    EXPECT_EQ(EscapeControls("\xE0\x82\x9B"), "\\xE0\\x82\\x9B");
    EXPECT_EQ(EscapeControls("\xF0\x8F\xBF\xBF"), "\\xF0\\x8F\\xBF\\xBF");
    EXPECT_EQ(EscapeControls("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(EscapeControls("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");
    // A sequence cut short: by the end of the text, by ASCII, by a new lead
    // byte. What follows it is taken on its own.
    EXPECT_EQ(EscapeControls("x\xE2\x82"), "x\\xE2\\x82");
    EXPECT_EQ(EscapeControls("\xE2\x82z"), "\\xE2\\x82z");
    EXPECT_EQ(EscapeControls("\xF0\x9F\x98č"), "\\xF0\\x9F\\x98č");
    EXPECT_EQ(EscapeControls("\xC4\xC2\x9B"), "\\xC4\\xC2\\x9B");
}

#ifndef _WIN32

class CliProgramTest : public ::testing::Test {
protected:
    // Runs the driver in the test's folder.
    SChildResult RunCli(const std::vector<std::string>& arguments) {
        return RunChild(TAVRO_CLI_PATH, m_dir.Path(), arguments);
    }

    // Runs the driver in the test's folder on a terminal of its own; strOut
    // is all the terminal got (which turns each "\n" into "\r\n").
    SChildResult RunCliOnTerminal(const std::string& strPath) {
        SChildResult result;
        int nMaster = -1;
        const pid_t pid = forkpty(&nMaster, nullptr, nullptr, nullptr);
        if (pid < 0) {
            ADD_FAILURE() << "forkpty failed";
            return result;
        }
        if (pid == 0) {
            if (chdir(PathUtf8(m_dir.Path()).c_str()) == 0) {
                execl(TAVRO_CLI_PATH, TAVRO_CLI_PATH, strPath.c_str(), static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        char buf[4096];
        for (;;) {
            const ssize_t nRead = read(nMaster, buf, sizeof buf);
            if (nRead <= 0) {
                break;  // EIO once the child has gone
            }
            result.strOut.append(buf, static_cast<size_t>(nRead));
        }
        close(nMaster);
        int nStatus = 0;
        waitpid(pid, &nStatus, 0);
        result.nExit = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
        return result;
    }

    void WriteRecording(const std::string& strName, std::span<const uint8_t> data) {
        CTickSignal signal;
        signal.Halves(CTickSignal::kShort, 200).Bytes(data).Halves(CTickSignal::kShort, 4);
        WriteBytes(m_dir.File(strName), MakeWav(44100, 1, signal.Samples()));
    }

    // 300 bytes whose record header names strName (up to seven bytes).
    static std::vector<uint8_t> NamedBlock(const std::string& strName) {
        std::vector<uint8_t> data(300, 0x20);
        data[0] = 0xFF;
        data[1] = 0x00;
        data[17] = 0x55;
        data[32] = 0x55;
        std::copy(strName.begin(), strName.end(), data.begin() + 39);
        data[39 + strName.size()] = 0x00;  // the zero ends the name
        return data;
    }

    CTempDir m_dir;
};

TEST_F(CliProgramTest, PipesGetEveryTextOnALineOfItsOwn) {
    // An escape sequence, 'č' in Windows-1250, DEL.
    const std::vector<uint8_t> data = NamedBlock("N\x1B[2J\xE8\x7F");
    WriteRecording("in.wav", data);

    const SChildResult result = RunCli({"in.wav"});
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
    const SChildResult missing = RunCli({"missing.wav"});
    EXPECT_EQ(missing.nExit, 1);
    EXPECT_EQ(missing.strOut, "status: Nepodařilo se otevřít vybraný wav...\n");

    WriteRecording("in.wav", std::vector<uint8_t>{1, 2, 3});
    std::filesystem::create_directory(m_dir.Path() / "test.dat");
    const SChildResult blocked = RunCli({"in.wav"});
    EXPECT_EQ(blocked.nExit, 1);
    EXPECT_EQ(blocked.strOut,
              "file: in.wav (44100 kHz / 8 bit)\n"
              "status: Nepodařilo se otevřít výstupní soubor...\n");
    std::filesystem::remove(m_dir.Path() / "test.dat");

    std::filesystem::create_symlink("/dev/full", m_dir.Path() / "test.dat");
    const SChildResult full = RunCli({"in.wav"});
    EXPECT_EQ(full.nExit, 1);
    EXPECT_NE(full.strOut.find("status: Chyba při zápisu výstupního souboru...\n"),
              std::string::npos);
}

TEST_F(CliProgramTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"a.wav", "--report"},
                                                 {"--frobnicate", "a.wav"},
                                                 {"-o", "d", "x/a.wav", "y/a.wav"},
                                                 {"--report", "test.dat", "a.wav"}}) {
        const SChildResult result = RunCli(args);
        EXPECT_EQ(result.nExit, 2) << args.size();
        EXPECT_EQ(result.strOut, "") << args.size();
        EXPECT_NE(result.strErr.find("usage: tavro-tape-cli"), std::string::npos) << args.size();
    }
    const SChildResult help = RunCli({"--help"});
    EXPECT_EQ(help.nExit, 0);
    EXPECT_NE(help.strOut.find("usage: tavro-tape-cli"), std::string::npos);
    const SChildResult version = RunCli({"--version"});
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, "tavro-tape-cli 1.0.0.1\n");
}

TEST_F(CliProgramTest, TerminalsSeeOneStatusLineRewrittenInPlace) {
    WriteRecording("in.wav", std::vector<uint8_t>{1, 2, 3});
    const SChildResult result = RunCliOnTerminal("in.wav");
    EXPECT_EQ(result.nExit, 0);
    const std::string& strScreen = result.strOut;

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

TEST_F(CliProgramTest, NoNameOrPathCanControlTheTerminal) {
    // The file name holds ESC, a newline, a raw 8-bit CSI and a C1 CSI in
    // UTF-8 around a 'č'; the record name erases the screen, rings, backs up
    // and returns the carriage.
    const std::string strPath = "in\x1B[2J\n\x9B\xC2\x9B\xC4\x8D.wav";
    WriteRecording(strPath, NamedBlock("\x1B[2J\x07\x08\r"));
    const SChildResult result = RunCliOnTerminal(strPath);
    EXPECT_EQ(result.nExit, 0);

    // Only the driver's rewrite and the terminal's line ends control it.
    const std::string strRewrite = "\r\x1B[2K";
    std::string strText;
    for (size_t k = 0; k < result.strOut.size();) {
        if (result.strOut.compare(k, strRewrite.size(), strRewrite) == 0) {
            k += strRewrite.size();
        } else if (result.strOut.compare(k, 2, "\r\n") == 0) {
            k += 2;
        } else {
            strText.push_back(result.strOut[k++]);
        }
    }
    for (size_t k = 0; k < strText.size(); ++k) {
        const auto b = static_cast<unsigned char>(strText[k]);
        EXPECT_TRUE(b >= 0x20 && b != 0x7F) << "control byte " << int{b} << " in " << strText;
        const bool bC1 = b == 0xC2 && k + 1 < strText.size() &&
                         static_cast<unsigned char>(strText[k + 1]) <= 0x9F;
        EXPECT_FALSE(bC1) << "C1 control in " << strText;
    }

    EXPECT_EQ(result.strOut, "file: in\\x1B[2J\\x0A\\x9B\\xC2\\x9Bč.wav (44100 kHz / 8 bit)\r\n" +
                                 strRewrite + "status: Hledám záznam..." + strRewrite +
                                 "status: Zpracovávám záznam..." + strRewrite +
                                 "status: Nacteno: 0  ()" + strRewrite +
                                 "status: Nacteno: 256  (\\x1B[2J\\x07\\x08\\x0D)" + strRewrite +
                                 "status: Hotovo :-)\r\n");
}

#endif

}  // namespace
