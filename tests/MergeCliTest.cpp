// tavro-tape-cli --merge as a program: takes of one tape made by the
// encoder with other dropout places, their lines and the merge's, JSON
// Lines, and bad input that leaves test.dat as it was.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace {

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

class MergeCliTest : public ::testing::Test {
protected:
    MergeCliTest() {
        m_blocks.resize(2);
        m_blocks[0].m_strName = "ONE";
        m_blocks[1].m_strName = "TWO";
        uint32_t nState = 99;
        for (CAnalogBlock& block : m_blocks) {
            block.m_data.resize(300);
            for (uint8_t& b : block.m_data) {
                nState = nState * 1103515245u + 12345u;
                b = static_cast<uint8_t>(nState >> 16);
            }
        }
    }

    SChildResult RunCli(const std::vector<std::string>& arguments) {
        return RunChild(TAVRO_CLI_PATH, m_dir.Path(), arguments);
    }

    // A take of the tape with dropouts placed by nSeed.
    void WriteTake(const std::string& strFile, uint64_t nSeed,
                   const std::vector<CAnalogBlock>& blocks) {
        CImpairments impairments;
        impairments.m_dHissDb = 24.0;
        impairments.m_nDropouts = 4;
        impairments.m_dDropoutMs = 20.0;
        impairments.m_dDropoutDepthDb = 40.0;
        impairments.m_nSeed = nSeed;
        ASSERT_TRUE(WriteAnalogRecording(m_dir.File(strFile), {}, impairments, blocks, 200, 0.3));
    }

    Bytes Tape() const { return TapeBytes(m_blocks); }

    CTempDir m_dir;
    std::vector<CAnalogBlock> m_blocks;
};

TEST_F(MergeCliTest, ThreeTakesGiveOneRecoveryWithALinePerBlock) {
    for (uint64_t nSeed : {1u, 2u, 3u}) {
        WriteTake("take" + std::to_string(nSeed) + ".wav", nSeed, m_blocks);
    }
    const SChildResult result = RunCli({"--merge", "take1.wav", "take2.wav", "take3.wav"});
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), Tape());
    // Each take's usual lines in turn, then a line per block, the status last.
    const std::regex line(
        R"(file: take1\.wav [^]*status: Hotovo :-\)\nfile: take2\.wav [^]*)"
        R"(file: take3\.wav [^]*status: Hotovo :-\)\n)"
        R"(merge: ONE: 366 bytes, (\d+) from take 1, (\d+) from take 2, (\d+) from take 3, )"
        R"(\d+ disagreements, 0 missing\n)"
        R"(merge: TWO: 366 bytes, \d+ from take 1, \d+ from take 2, \d+ from take 3, )"
        R"(\d+ disagreements, 0 missing\n)"
        R"(status: Hotovo :-\)\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(result.strOut, match, line)) << result.strOut;
    EXPECT_EQ(std::stoi(match[1]) + std::stoi(match[2]) + std::stoi(match[3]), 366);

    // The same figures as JSON Lines, after each take's events.
    const SChildResult jsonResult =
        RunCli({"--json", "--merge", "take1.wav", "take2.wav", "take3.wav"});
    EXPECT_EQ(jsonResult.nExit, 0);
    std::vector<json> merges;
    json end;
    size_t nStart = 0;
    for (size_t nEnd = jsonResult.strOut.find('\n'); nEnd != std::string::npos;
         nStart = nEnd + 1, nEnd = jsonResult.strOut.find('\n', nStart)) {
        const json event = json::parse(jsonResult.strOut.substr(nStart, nEnd - nStart));
        if (event["event"] == "merge") {
            merges.push_back(event);
        } else if (event["event"] == "end" && !event.contains("path")) {
            end = event;
        }
    }
    ASSERT_EQ(merges.size(), 2u) << jsonResult.strOut;
    EXPECT_EQ(merges[1]["name"], "TWO");
    EXPECT_EQ(merges[1]["bytes"], 366);
    EXPECT_EQ(merges[1]["missing"], 0);
    EXPECT_EQ(merges[0]["from"][0].get<int>() + merges[0]["from"][1].get<int>() +
                  merges[0]["from"][2].get<int>(),
              366);
    EXPECT_EQ(end, json::parse(R"j({"event":"end","status":"Hotovo :-)","bytes":732,"exit":0})j"));
}

// A take whose second block holds other bytes from a third of the way on
// (decoded wrong, as behind a steep filter): that block is set aside, said
// so in the merge line, the JSON event and the report, and the merge is
// the tape.
TEST_F(MergeCliTest, SaysWhichBlocksOfATakeWereSetAside) {
    WriteTake("take1.wav", 1, m_blocks);
    WriteTake("take2.wav", 2, m_blocks);
    std::vector<CAnalogBlock> garbled = m_blocks;
    for (size_t k = 100; k < garbled[1].m_data.size(); ++k) {
        garbled[1].m_data[k] = static_cast<uint8_t>(garbled[1].m_data[k] ^ 0x5A);
    }
    WriteTake("garbled.wav", 3, garbled);
    const SChildResult result = RunCli(
        {"--merge", "--json", "--report", "merge.html", "garbled.wav", "take1.wav", "take2.wav"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), Tape());
    std::vector<json> setAside;
    size_t nStart = 0;
    for (size_t nEnd = result.strOut.find('\n'); nEnd != std::string::npos;
         nStart = nEnd + 1, nEnd = result.strOut.find('\n', nStart)) {
        const json event = json::parse(result.strOut.substr(nStart, nEnd - nStart));
        if (event["event"] == "merge") {
            setAside.push_back(event["set_aside"]);
        }
    }
    // Counted from 1: the garbled take, in the second block.
    EXPECT_EQ(setAside, (std::vector<json>{json::array(), json::array({1})}));
    const Bytes page = ReadBytes(m_dir.File("merge.html"));
    const std::string strPage(page.begin(), page.end());
    EXPECT_NE(strPage.find("Set aside</dt><dd class=\"bad\">take 1: block 2<"), std::string::npos);
    // One block of it set aside, one kept: the take still counts fully.
    EXPECT_EQ(strPage.find("Counted for less"), std::string::npos);

    const SChildResult text = RunCli({"--merge", "garbled.wav", "take1.wav", "take2.wav"});
    const std::regex line(R"(merge: ONE: 366 bytes, [^\n]* missing\n)"
                          R"(merge: TWO: 366 bytes, [^\n]* missing, 1 set aside\n)");
    EXPECT_TRUE(std::regex_search(text.strOut, line)) << text.strOut;
}

TEST_F(MergeCliTest, ReportOfTheMergeHasTheFiguresOfTheMergeLines) {
    WriteTake("take1.wav", 1, m_blocks);
    WriteTake("take2.wav", 2, m_blocks);
    const SChildResult result =
        RunCli({"--merge", "--report", "merge.html", "take1.wav", "take2.wav"});
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), Tape());
    const Bytes page = ReadBytes(m_dir.File("merge.html"));
    const std::string strPage(page.begin(), page.end());
    EXPECT_NE(strPage.find("take1.wav"), std::string::npos);
    EXPECT_NE(strPage.find("take2.wav"), std::string::npos);
    // Each merge line's figures are a row of the page's table.
    const std::regex line(R"(merge: (\w+): (\d+) bytes, (\d+) from take 1, (\d+) from take 2, )"
                          R"((\d+) disagreements, (\d+) missing)");
    size_t nRows = 0;
    for (std::sregex_iterator it(result.strOut.begin(), result.strOut.end(), line), end; it != end;
         ++it, ++nRows) {
        const std::smatch& m = *it;
        const std::string strRow = "<td class=\"name\">" + m[1].str() + "</td><td class=\"num\">" +
                                   m[2].str() + "</td><td class=\"num\">" + m[3].str() +
                                   "</td><td class=\"num\">" + m[4].str() +
                                   "</td><td class=\"num\">" + m[5].str() +
                                   "</td><td class=\"num\">" + m[6].str() + "</td>";
        EXPECT_NE(strPage.find(strRow), std::string::npos) << strRow;
    }
    EXPECT_EQ(nRows, 2u) << result.strOut;
    EXPECT_NE(strPage.find("Hotovo :-)"), std::string::npos);
    EXPECT_EQ(strPage.find("<script"), std::string::npos);
}

TEST_F(MergeCliTest, BadInputLeavesTestDatAsItWas) {
    WriteTake("take1.wav", 1, m_blocks);
    WriteTake("take2.wav", 2, m_blocks);
    std::vector<CAnalogBlock> other = m_blocks;
    for (CAnalogBlock& block : other) {
        block.m_strName += "X";
    }
    WriteTake("other.wav", 3, other);
    WriteBytes(m_dir.File("empty.wav"), Bytes{});
    const struct {
        std::vector<std::string> m_args;
        int m_nExit;
        const char* m_szMessage;
    } kCases[] = {
        {{"--merge", "take1.wav"}, 2, "--merge needs two takes or more"},
        {{"--merge", "--report", "take2.wav", "take1.wav", "take2.wav"},
         2,
         "the report would overwrite a take"},
        {{"--merge", "--report", "gone/r.html", "take1.wav", "take2.wav"},
         1,
         "cannot write the report gone/r.html"},
        {{"--merge", "take1.wav", "missing.wav"}, 1, "take 2 (missing.wav) could not be read"},
        {{"--merge", "empty.wav", "take2.wav"}, 1, "take 1 (empty.wav) could not be read"},
        {{"--merge", "take1.wav", "other.wav"}, 1, "the takes share no block"},
        {{"--merge", "take1.wav", "take2.wav", "other.wav"},
         1,
         "take 3 (other.wav) shares no block"},
    };
    const Bytes old = {'o', 'l', 'd'};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szMessage);
        WriteBytes(m_dir.File("test.dat"), old);
        const SChildResult result = RunCli(c.m_args);
        EXPECT_EQ(result.nExit, c.m_nExit);
        EXPECT_NE(result.strErr.find(c.m_szMessage), std::string::npos) << result.strErr;
        EXPECT_EQ(result.strOut.find("merge:"), std::string::npos);
        EXPECT_EQ(ReadBytes(m_dir.File("test.dat")), old);
    }
}

}  // namespace
