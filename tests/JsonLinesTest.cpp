// tavro-tape-cli with its options for programs and for many recordings:
// JSON Lines, the report, -o, several recordings in one call, and a report
// that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "RecordHeader.h"
#include "support/ChildProcess.h"
#include "support/JsonEvents.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class JsonLinesTest : public ::testing::Test {
protected:
    SChildResult RunCli(const std::vector<std::string>& arguments) {
        return RunChild(TAVRO_CLI_PATH, m_dir.Path(), arguments);
    }

    // A block of 300 bytes whose record header names strName, and with
    // bDropout a stretch of silence after it followed by 40 more bytes: a
    // lost byte and a second block.
    std::vector<uint8_t> WriteRecording(const std::string& strName, const std::string& strFile,
                                        bool bDropout = false) {
        std::vector<uint8_t> data = MakeRecordHeader(strName);
        data.resize(300, 0x20);
        CTickSignal signal;
        signal.Halves(CTickSignal::kShort, 200).Bytes(data);
        if (bDropout) {
            signal.Hold(0x80, 300).Bytes(std::vector<uint8_t>(40, 0x5A));
        }
        signal.Halves(CTickSignal::kShort, 4);
        fs::create_directories(fs::path(m_dir.File(strFile)).parent_path());
        WriteBytes(m_dir.File(strFile), MakeWav(44100, 1, signal.Samples()));
        return data;
    }

    CTempDir m_dir;
};

TEST_F(JsonLinesTest, EventsTellTheFileBlocksLostBytesAndEnd) {
    const std::vector<uint8_t> data = WriteRecording("N\x1B\xE8", "in.wav", true);
    const SChildResult result = RunCli({"--json", "in.wav"});
    EXPECT_EQ(result.nExit, 0);
    EXPECT_EQ(result.strErr, "");
    // Control characters in a name are JSON escapes, 'č' (Windows-1250) UTF-8.
    EXPECT_NE(result.strOut.find(R"("name":"N\u001bč")"), std::string::npos) << result.strOut;

    const std::vector<json> events = JsonEvents(result.strOut);
    ASSERT_GE(events.size(), 5u) << result.strOut;
    EXPECT_EQ(result.strOut.rfind(R"({"event":"file","path":"in.wav","rate":44100,"bits":8,)"
                                  R"("channels":1,"seconds":)",
                                  0),
              0u);
    EXPECT_GT(events[0]["seconds"].get<double>(), 0.5);
    EXPECT_EQ(events[1]["event"], "block");
    EXPECT_EQ(events[1]["index"], 0);
    EXPECT_EQ(events[1]["bytes"], 300);
    EXPECT_EQ(events[1]["failures"], 1);
    // 200 short half-periods of leader before the first byte.
    EXPECT_NEAR(events[1]["start"].get<double>(), 200 * 11 / 44100.0, 0.002);
    EXPECT_EQ(events[2]["event"], "error");
    EXPECT_EQ(events[2]["block"], 0);
    EXPECT_GT(events[2]["at"].get<double>(), events[1]["end"].get<double>() - 0.001);
    EXPECT_EQ(events[3]["event"], "block");
    EXPECT_EQ(events[3]["index"], 1);
    EXPECT_EQ(events.back(), json::parse(R"j({"event":"end","status":"Hotovo :-)","bytes":)j" +
                                         std::to_string(ReadBytes(m_dir.File("test.dat")).size()) +
                                         R"(,"exit":0})"));
    const std::vector<uint8_t> written = ReadBytes(m_dir.File("test.dat"));
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.begin() + 300), data);

    // A recording that cannot be opened has the end event alone.
    EXPECT_EQ(JsonEvents(RunCli({"--json", "missing.wav"}).strOut),
              std::vector<json>{json::parse(R"({"event":"end","status":)"
                                            R"("Nepodařilo se otevřít vybraný wav...",)"
                                            R"("bytes":0,"exit":1})")});
}

TEST_F(JsonLinesTest, SeveralRecordingsGoToTheirOwnFiles) {
    const std::vector<uint8_t> a = WriteRecording("A", "a.wav");
    const std::vector<uint8_t> b = WriteRecording("B", "sub/b.take1.wav");
    fs::create_directory(m_dir.Path() / "reports");
    const SChildResult result =
        RunCli({"--json", "--report", "reports", "a.wav", "missing.wav", "sub/b.take1.wav"});
    EXPECT_EQ(result.nExit, 1);  // the worst of the runs
    EXPECT_EQ(ReadBytes(m_dir.File("a.dat")), a);
    EXPECT_EQ(ReadBytes(m_dir.File("sub/b.take1.dat")), b);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "test.dat"));
    for (const char* szReport : {"a.html", "missing.html", "b.take1.html"}) {
        EXPECT_NE(ReadBytes(m_dir.File(std::string("reports/") + szReport)).size(), 0u);
    }
    // Each recording's events in turn, every one with its path.
    std::vector<std::string> order;
    for (const json& event : JsonEvents(result.strOut)) {
        if (order.empty() || order.back() != event["path"]) {
            order.push_back(event["path"]);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{"a.wav", "missing.wav", "sub/b.take1.wav"}));

    // -o: a folder for several recordings, a file for one.
    fs::create_directory(m_dir.Path() / "out");
    EXPECT_EQ(RunCli({"-o", "out", "a.wav", "sub/b.take1.wav"}).nExit, 0);
    EXPECT_EQ(ReadBytes(m_dir.File("out/a.dat")), a);
    EXPECT_EQ(ReadBytes(m_dir.File("out/b.take1.dat")), b);
    const SChildResult one = RunCli({"--output=one.bin", "--report", "one.html", "a.wav"});
    EXPECT_EQ(one.nExit, 0);
    EXPECT_EQ(ReadBytes(m_dir.File("one.bin")), a);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "test.dat"));
    const std::vector<uint8_t> page = ReadBytes(m_dir.File("one.html"));
    EXPECT_NE(std::string(page.begin(), page.end()).find("<td class=\"name\">A</td>"),
              std::string::npos);
}

TEST_F(JsonLinesTest, AReportThatCannotBeWrittenStopsBeforeDecoding) {
    WriteRecording("A", "a.wav");
    WriteRecording("C", "c.wav");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteBytes(m_dir.File("test.dat"), old);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--report", "no/such/folder/r.html", "a.wav"},
          {"--report", "/proc/r.html", "a.wav"},
          {"--report", "no-folder", "a.wav", "c.wav"}}) {
        const SChildResult result = RunCli(args);
        EXPECT_EQ(result.nExit, 1) << args[1];
        EXPECT_EQ(result.strOut, "") << args[1];
        EXPECT_NE(result.strErr.find("tavro-tape-cli: cannot write the report"), std::string::npos)
            << result.strErr;
        EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), old);
    }
}

}  // namespace
