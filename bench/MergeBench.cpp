#include "MergeBench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <vector>

#include "AnalogRecording.h"
#include "BenchMeasure.h"
#include "RobustDecoder.h"
#include "TakeMerge.h"

namespace {

constexpr size_t kBlockBytes = 16384;       // data bytes per block
constexpr double kBytesPerMinute = 9600.0;  // random bytes, at the nominal speed
constexpr double kSecondsPerDropout = 3.0;  // a worn tape: a dropout every few seconds
constexpr size_t kTakes = 3;

std::vector<CAnalogBlock> TapeBlocks(double dMinutes, std::vector<uint8_t>& tape) {
    std::mt19937 random(11);
    std::vector<CAnalogBlock> blocks;
    const auto nWanted = static_cast<size_t>(dMinutes * kBytesPerMinute);
    for (size_t nBytes = 0; nBytes < nWanted;) {
        CAnalogBlock block;
        char szName[16];
        std::snprintf(szName, sizeof szName, "M%zu", blocks.size());
        block.m_strName = szName;
        block.m_data.resize(std::min(kBlockBytes, nWanted - nBytes));
        for (uint8_t& b : block.m_data) {
            b = static_cast<uint8_t>(random());
        }
        nBytes += block.m_data.size();
        blocks.push_back(std::move(block));
    }
    tape = TapeBytes(blocks);
    return blocks;
}

// The same tape on another deck: its own hiss, dropout places and speed.
CImpairments Take(size_t nTake, double dMinutes) {
    CImpairments impairments;
    impairments.m_dHissDb = 20.0;
    impairments.m_dLowpassHz = 3000.0;
    impairments.m_dSpeed = 1.0 + 0.01 * (static_cast<double>(nTake) - 1.0);
    impairments.m_nDropouts = static_cast<int32_t>(dMinutes * 60.0 / kSecondsPerDropout);
    impairments.m_dDropoutMs = 20.0;
    impairments.m_dDropoutDepthDb = 40.0;
    impairments.m_nSeed = nTake + 1;
    return impairments;
}

bool DecodeTake(const std::string& strPath, CTapeLog& log) {
    CRobustDecoder decoder;
    decoder.GetLog().SetKeepEvidence(true);
    if (!decoder.Open(strPath)) {
        return false;
    }
    decoder.FindLeader();
    while (!decoder.IsAtEnd()) {
        if (decoder.ReadDataByte() < 0) {
            decoder.FindLeader();
        }
    }
    log = std::move(decoder.GetLog());
    return true;
}

// Bytes of the tape found in order in out, and bytes of out that are not:
// a mismatch skips tape bytes where the next eight match within reach.
std::pair<size_t, size_t> Recovered(const std::vector<uint8_t>& tape,
                                    const std::vector<uint8_t>& out) {
    constexpr size_t kProbe = 8;
    constexpr size_t kReach = 4096;
    size_t nMatched = 0;
    size_t nExtra = 0;
    size_t t = 0;
    for (size_t o = 0; o < out.size();) {
        if (t < tape.size() && tape[t] == out[o]) {
            ++nMatched;
            ++t;
            ++o;
            continue;
        }
        size_t nFound = 0;
        for (size_t k = t + 1; k < std::min(tape.size(), t + kReach) && nFound == 0; ++k) {
            size_t n = 0;
            while (n < kProbe && o + n < out.size() && k + n < tape.size() &&
                   tape[k + n] == out[o + n]) {
                ++n;
            }
            nFound = n == kProbe || (n > 0 && o + n == out.size()) ? k : 0;
        }
        if (nFound != 0) {
            t = nFound;
        } else {
            ++nExtra;
            ++o;
        }
    }
    return {nMatched, nExtra};
}

std::vector<uint8_t> LogBytes(const CTapeLog& log) {
    std::vector<uint8_t> bytes;
    for (const SBlockEvidence& block : log.Evidence()) {
        for (const SByteEvidence& byte : block.m_bytes) {
            bytes.push_back(byte.m_nValue);
        }
    }
    return bytes;
}

double Percent(size_t nPart, size_t nWhole) {
    return 100.0 * static_cast<double>(nPart) / static_cast<double>(std::max<size_t>(nWhole, 1));
}

}  // namespace

std::string BenchMerge(const std::string& strDir, double dMinutes, int32_t nRounds) {
    std::vector<uint8_t> tape;
    const std::vector<CAnalogBlock> blocks = TapeBlocks(dMinutes, tape);
    std::printf("\nmerging takes (--merge): %zu takes of a worn %.0f-minute tape, %zu bytes\n",
                kTakes, dMinutes, tape.size());
    std::vector<CTapeLog> logs(kTakes);
    double dDecode = 0.0;
    size_t nEvidence = 0;
    for (size_t t = 0; t < kTakes; ++t) {
        char szFile[32];
        std::snprintf(szFile, sizeof szFile, "take%zu.wav", t + 1);
        const std::string strPath = (std::filesystem::path(strDir) / szFile).string();
        CAnalogFormat format;
        if (!WriteAnalogRecording(strPath, format, Take(t, dMinutes), blocks, 400, 0.5)) {
            return "  merge: a take could not be written";
        }
        bool bDecoded = false;
        const double dSeconds = Seconds([&] { bDecoded = DecodeTake(strPath, logs[t]); });
        std::error_code error;
        std::filesystem::remove(strPath, error);
        if (!bDecoded) {
            return "  merge: a take could not be decoded";
        }
        dDecode += dSeconds;
        const auto [nMatched, nExtra] = Recovered(tape, LogBytes(logs[t]));
        for (const SBlockEvidence& block : logs[t].Evidence()) {
            nEvidence += block.m_bytes.size() * sizeof(SByteEvidence) +
                         block.m_gaps.size() * sizeof(SGapEvidence);
        }
        std::printf(
            "  take %zu alone  %9.1f ms decoding  %6.2f %% of the bytes, %zu wrong or extra\n",
            t + 1, dSeconds * 1e3, Percent(nMatched, tape.size()), nExtra);
    }
    const std::vector<const CTapeLog*> pointers = {&logs[0], &logs[1], &logs[2]};
    SMergeResult result;
    double dMerge = std::numeric_limits<double>::max();
    for (int32_t nRound = 0; nRound < nRounds; ++nRound) {
        dMerge = std::min(dMerge, Seconds([&] { result = MergeTakes(pointers); }));
    }
    std::vector<uint8_t> merged;
    for (const SMergedBlock& block : result.m_blocks) {
        merged.insert(merged.end(), block.m_bytes.begin(), block.m_bytes.end());
    }
    const auto [nMatched, nExtra] = Recovered(tape, merged);
    std::printf(
        "  merged         %9.1f ms merging   %6.2f %% of the bytes, %zu wrong or extra; "
        "evidence %.1f MB\n",
        dMerge * 1e3, Percent(nMatched, tape.size()), nExtra, static_cast<double>(nEvidence) / 1e6);
    char szSummary[160];
    std::snprintf(
        szSummary, sizeof szSummary,
        "  merge          %zu x %.0f min: decoding %.1f s, merging %.2f s (%.3f x decoding)",
        kTakes, dMinutes, dDecode, dMerge, dMerge / dDecode);
    return szSummary;
}
