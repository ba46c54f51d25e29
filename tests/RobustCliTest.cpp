// tavro-tape-cli --robust as a program: on a pipe, one "error: MM:SS.mmm"
// line for each lost byte, in order, each after the status line current
// when it was lost; --channel picks a channel or refuses a missing one.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

namespace {

std::vector<std::string> Lines(const std::string& strOut) {
    std::vector<std::string> lines;
    std::istringstream in(strOut);
    for (std::string strLine; std::getline(in, strLine);) {
        lines.push_back(strLine);
    }
    return lines;
}

// s from "error: MM:SS.mmm", or -1 when the line is not one.
double ErrorTime(const std::string& strLine) {
    unsigned nMinutes = 0;
    unsigned nSeconds = 0;
    unsigned nMillis = 0;
    char cEnd = 0;
    if (std::sscanf(strLine.c_str(), "error: %2u:%2u.%3u%c", &nMinutes, &nSeconds, &nMillis,
                    &cEnd) != 3 ||
        strLine.size() != 16) {
        return -1.0;
    }
    return nMinutes * 60.0 + nSeconds + nMillis / 1000.0;
}

CAnalogBlock Block(size_t nBytes) {
    CAnalogBlock block;
    block.m_strName = "DROPS";
    block.m_data.resize(nBytes);
    for (size_t k = 0; k < nBytes; ++k) {
        block.m_data[k] = static_cast<uint8_t>(k * 29 + 3);
    }
    return block;
}

TEST(RobustCliTest, ErrorLinesFollowTheStatusAndLieInTheDropouts) {
    CTempDir dir;
    CAnalogFormat format;
    format.m_nChannels = 2;
    format.m_eOther = EOtherChannel::kSilence;
    CImpairments impairments;
    impairments.m_nDropouts = 3;
    impairments.m_dDropoutMs = 12.0;
    impairments.m_dDropoutDepthDb = 60.0;
    CRenderTruth truth;
    const std::vector<CAnalogBlock> blocks = {Block(900)};
    ASSERT_TRUE(
        WriteAnalogRecording(dir.File("tape.wav"), format, impairments, blocks, 200, 0.3, &truth));
    ASSERT_EQ(truth.m_dropouts.size(), 3u);

    const SChildResult result = RunChild(TAVRO_CLI_PATH, dir.Path(), {"--robust", "tape.wav"});
    EXPECT_EQ(result.nExit, 0);
    const std::vector<std::string> lines = Lines(result.strOut);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "status: Hotovo :-)");
    double dPrevious = 0.0;
    size_t nErrors = 0;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (!lines[k].starts_with("error: ")) {
            continue;
        }
        const double dAt = ErrorTime(lines[k]);
        ASSERT_GE(dAt, 0.0) << lines[k];
        EXPECT_GE(dAt, dPrevious);
        dPrevious = dAt;
        ++nErrors;
        ASSERT_GT(k, 0u);
        EXPECT_TRUE(lines[k - 1].starts_with("status: Nacteno") ||
                    lines[k - 1].starts_with("error: "))
            << lines[k - 1];
        // Each lost byte began at most a byte's time before a dropout, and
        // before its end or that of one close behind it: the few bytes
        // between two close dropouts cannot be framed and are lost too.
        bool bInDropout = false;
        for (size_t d = 0; d < truth.m_dropouts.size(); ++d) {
            double dEnd = truth.m_dropouts[d].second;
            for (size_t e = d + 1;
                 e < truth.m_dropouts.size() && truth.m_dropouts[e].first < dEnd + 0.05; ++e) {
                dEnd = truth.m_dropouts[e].second;
            }
            bInDropout = bInDropout || (dAt >= truth.m_dropouts[d].first - 0.012 && dAt <= dEnd);
        }
        EXPECT_TRUE(bInDropout) << lines[k];
    }
    EXPECT_GE(nErrors, 3u);
}

TEST(RobustCliTest, ChannelIsChosenOrRefused) {
    CTempDir dir;
    CAnalogFormat format;
    format.m_nChannels = 2;
    format.m_eOther = EOtherChannel::kNoise;
    format.m_nSignalChannel = 1;
    const std::vector<CAnalogBlock> blocks = {Block(100)};
    ASSERT_TRUE(WriteAnalogRecording(dir.File("tape.wav"), format, {}, blocks, 200, 0.3));
    const struct {
        std::vector<std::string> m_arguments;
        int m_nExit;
        size_t m_nBytes;
    } kCases[] = {{{"-r", "tape.wav"}, 0, 166},
                  {{"-r", "--channel", "2", "tape.wav"}, 0, 166},
                  {{"-r", "--channel=1", "tape.wav"}, 0, 0},
                  {{"-r", "--channel", "3", "tape.wav"}, 1, 0},
                  {{"--channel", "2", "tape.wav"}, 2, 0}};
    for (const auto& test : kCases) {
        std::remove(dir.File("test.dat").c_str());
        const SChildResult result = RunChild(TAVRO_CLI_PATH, dir.Path(), test.m_arguments);
        EXPECT_EQ(result.nExit, test.m_nExit) << test.m_arguments.size();
        if (test.m_nExit != 2) {
            EXPECT_EQ(ReadBytes(dir.File("test.dat")).size(), test.m_nBytes) << test.m_arguments[1];
        }
    }
}

// A recording that cannot be opened: standard error and the JSON end event
// say why, in English; the status line stays the program's own.
TEST(RobustCliTest, ARecordingThatCannotBeOpenedSaysWhy) {
    CTempDir dir;
    WriteBytes(dir.File("tape.m4a"), std::vector<uint8_t>{0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'M',
                                                          '4', 'A', ' ', 0, 0, 2, 0});
    const struct {
        std::vector<std::string> m_arguments;
        const char* m_szError;  // standard error starts with it
        const char* m_szAlso;   // ... and holds this
    } kCases[] = {
        {{"--robust", "tape.m4a"},
         "tavro-tape-cli: tape.m4a holds no audio that libsndfile reads (",
         "; it looks like an MP4 or M4A file (AAC audio, most likely). Convert it into FLAC or "
         "WAV first, for example: ffmpeg -i tape.m4a tape.flac\n"},
        {{"--robust", "missing.wav"},
         "tavro-tape-cli: missing.wav cannot be opened: No such file or directory\n",
         ""},
        {{"--robust", "--json", "tape.m4a"}, "tavro-tape-cli: tape.m4a holds no audio", "ffmpeg"},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.m_arguments.back());
        const SChildResult result = RunChild(TAVRO_CLI_PATH, dir.Path(), test.m_arguments);
        EXPECT_EQ(result.nExit, 1);
        EXPECT_EQ(result.strErr.rfind(test.m_szError, 0), 0u) << result.strErr;
        EXPECT_NE(result.strErr.find(test.m_szAlso), std::string::npos) << result.strErr;
        if (test.m_arguments[1] == "--json") {
            EXPECT_NE(result.strOut.find(R"("status":"Nepodařilo se otevřít vybraný wav...")"),
                      std::string::npos)
                << result.strOut;
            EXPECT_NE(result.strOut.find(R"("reason":"holds no audio that libsndfile reads)"),
                      std::string::npos)
                << result.strOut;
        } else {
            EXPECT_EQ(Lines(result.strOut).back(), "status: Nepodařilo se otevřít vybraný wav...");
        }
    }
}

}  // namespace
