#include "RobustBench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>

#include "AnalogRecording.h"
#include "BenchMeasure.h"

namespace {

constexpr int32_t kHighRate = 96000;
constexpr int32_t kHighBits = 24;
constexpr size_t kBlockBytes = 16384;  // data bytes per block of the analog recording

// A 96 kHz 24-bit mono recording as long as rec, of blocks of random bytes.
bool WriteHighRate(const SBenchRecording& rec, const std::string& strPath, SBenchRecording& out) {
    out = rec;
    out.m_strLabel = "96k 24-bit mono";
    out.m_strPath = strPath;
    out.m_nBits = kHighBits;
    out.m_nChannels = 1;
    std::mt19937 random(7);
    std::vector<CAnalogBlock> blocks;
    const uint64_t nWanted = rec.m_nDataBytes;
    uint64_t nBytes = 0;
    while (nBytes < nWanted) {
        CAnalogBlock block;
        char szName[16];
        std::snprintf(szName, sizeof szName, "B%zu", blocks.size());
        block.m_strName = szName;
        block.m_data.resize(static_cast<size_t>(std::min<uint64_t>(kBlockBytes, nWanted - nBytes)));
        for (uint8_t& b : block.m_data) {
            b = static_cast<uint8_t>(random());
        }
        nBytes += block.m_data.size() + 66;
        blocks.push_back(std::move(block));
    }
    CAnalogFormat format;
    format.m_nRate = kHighRate;
    format.m_nBits = kHighBits;
    CImpairments impairments;
    std::printf("writing %-14s %5.1f min ... ", out.m_strLabel.c_str(), rec.m_dMinutes);
    std::fflush(stdout);
    bool bOk = false;
    const double dSeconds = Seconds(
        [&] { bOk = WriteAnalogRecording(strPath, format, impairments, blocks, 400, 0.5); });
    std::error_code error;
    out.m_nFileBytes = bOk ? std::filesystem::file_size(strPath, error) : 0;
    out.m_nDataBytes = nBytes;
    out.m_nBlocks = static_cast<int32_t>(blocks.size());
    std::printf("%s, %.1f MB, %.1f s\n", bOk ? "written" : "failed",
                static_cast<double>(out.m_nFileBytes) / 1e6, dSeconds);
    return bOk;
}

struct SRobustRow {
    std::string m_strLabel;
    double m_dCat = std::numeric_limits<double>::max();
    double m_dDecode = std::numeric_limits<double>::max();
};

SRobustRow TimeRobust(const SBenchRecording& rec, double dAudioSeconds, int32_t nRounds) {
    SRobustRow row{rec.m_strLabel};
    const SDecodeResult result = DecodeFile(rec.m_strPath, EDecodePath::kRobust);
    RunCat(rec.m_strPath);  // warm the cache
    for (int32_t nRound = 0; nRound < nRounds; ++nRound) {
        row.m_dCat = std::min(row.m_dCat, Seconds([&] { RunCat(rec.m_strPath); }));
        row.m_dDecode = std::min(row.m_dDecode,
                                 Seconds([&] { DecodeFile(rec.m_strPath, EDecodePath::kRobust); }));
    }
    std::printf(
        "  %-16s %6.1f min %8.1f MB  %9.1f ms cat  %9.1f ms robust  %6.2f x cat  %7.0f "
        "audio s/s  %lld of %llu bytes, %lld lost\n",
        rec.m_strLabel.c_str(), dAudioSeconds / 60, static_cast<double>(rec.m_nFileBytes) / 1e6,
        row.m_dCat * 1e3, row.m_dDecode * 1e3, row.m_dDecode / row.m_dCat,
        dAudioSeconds / row.m_dDecode, static_cast<long long>(result.m_nBytes),
        static_cast<unsigned long long>(rec.m_nDataBytes),
        static_cast<long long>(result.m_nFailures));
    return row;
}

}  // namespace

std::string BenchRobust(const std::string& strProgram, const std::string& strDir,
                        const std::vector<SBenchRecording>& recs, int32_t nRounds) {
    std::vector<SBenchRecording> robustRecs;
    for (const SBenchRecording& rec : recs) {
        if (rec.m_nBits == 16 && rec.m_nChannels == 2) {
            robustRecs.push_back(rec);
        }
    }
    std::vector<std::string> highPaths;
    for (const SBenchRecording& rec : std::vector<SBenchRecording>(robustRecs)) {
        SBenchRecording high;
        const std::string strPath = (std::filesystem::path(strDir) /
                                     ("mono96k24-" + std::to_string(rec.m_dMinutes) + ".wav"))
                                        .string();
        if (!WriteHighRate(rec, strPath, high)) {
            return "  robust: the 96 kHz recording could not be written";
        }
        robustRecs.push_back(high);
        highPaths.push_back(strPath);
    }
    std::printf("\nrobust decoder (--robust), best of %d\n", nRounds);
    std::string strSummary = "  robust        ";
    double dLongest = 0;
    for (const SBenchRecording& rec : robustRecs) {
        dLongest = std::max(dLongest, rec.m_dMinutes);
    }
    for (const SBenchRecording& rec : robustRecs) {
        const double dAudio = static_cast<double>(rec.m_nFrames) / 44100.0;
        if (rec.m_dMinutes == dLongest) {
            const SRobustRow row = TimeRobust(rec, dAudio, nRounds);
            char szPart[96];
            std::snprintf(szPart, sizeof szPart, "  %s %.2f x cat (%.0f x real time)",
                          rec.m_strLabel.c_str(), row.m_dDecode / row.m_dCat,
                          dAudio / row.m_dDecode);
            strSummary += szPart;
        }
    }
    std::printf(
        "\npeak memory of a process that decodes one file with --robust (ru_maxrss, KiB)\n");
    for (const SBenchRecording& rec : robustRecs) {
        std::printf(
            "  %-16s %6.1f min %10lld\n", rec.m_strLabel.c_str(), rec.m_dMinutes,
            static_cast<long long>(ChildPeakKiB(strProgram, rec.m_strPath, EDecodePath::kRobust)));
    }
    std::error_code error;
    for (const std::string& strPath : highPaths) {
        std::filesystem::remove(strPath, error);
    }
    return strSummary;
}
