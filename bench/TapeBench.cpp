// tavro-tape-bench: how fast a long recording decodes, against merely
// reading the same file.
//
// Writes 8-bit mono and 16-bit stereo recordings at 44,100 Hz (30 minutes
// and 3 minutes by default) into a temporary folder, checks that the
// per-tick and the block path decode them to the same bytes, then times,
// best of N rounds on the warm files: `cat FILE > /dev/null`, an fread loop
// in 64 KiB blocks, and the decode loop of the conversion run on either path
// (the block path at every kernel level the machine has). Peak memory is the
// ru_maxrss of a child process that only decodes one file, for the short and
// the long recording. Prints figures; it judges nothing.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "BenchMeasure.h"
#include "BenchRecordings.h"
#include "MergeBench.h"
#include "ReportBench.h"
#include "RobustBench.h"
#include "TickKernels.h"

namespace {

struct SOptions {
    double m_dMinutes = 30;
    double m_dShortMinutes = 3;
    int32_t m_nRounds = 5;
    std::string m_strDir;
    bool m_bKeep = false;
    double m_dReportMinutes = 60;
};

void PrintUsage() {
    std::printf(
        "usage: tavro-tape-bench [--minutes M] [--short-minutes S] [--rounds N] [--dir DIR] "
        "[--keep]\n"
        "  --minutes M        length of the long recordings (default 30)\n"
        "  --short-minutes S  length of the short ones, for the memory check (default 3)\n"
        "  --rounds N         timing rounds; the best is shown (default 5)\n"
        "  --dir DIR          where to write the recordings (default: a new temporary folder)\n"
        "  --keep             leave the recordings there\n"
        "  --report-minutes R the tape whose report page is measured (default 60, 0: none)\n");
}

bool ParseOptions(int argc, char** argv, SOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (strArg == "--minutes" && bHasValue) {
            options.m_dMinutes = std::atof(argv[++i]);
        } else if (strArg == "--short-minutes" && bHasValue) {
            options.m_dShortMinutes = std::atof(argv[++i]);
        } else if (strArg == "--rounds" && bHasValue) {
            options.m_nRounds = std::max(1, std::atoi(argv[++i]));
        } else if (strArg == "--dir" && bHasValue) {
            options.m_strDir = argv[++i];
        } else if (strArg == "--report-minutes" && bHasValue) {
            options.m_dReportMinutes = std::atof(argv[++i]);
        } else if (strArg == "--keep") {
            options.m_bKeep = true;
        } else {
            return false;
        }
    }
    return options.m_dMinutes > 0 && options.m_dShortMinutes > 0;
}

double LoadAverage() {
    double dLoad[1] = {0};
    return getloadavg(dLoad, 1) == 1 ? dLoad[0] : -1;
}

// One timed thing and its best time.
struct SRow {
    std::string m_strName;
    double m_dBest = std::numeric_limits<double>::max();
    void Add(double d) { m_dBest = std::min(m_dBest, d); }
};

struct SFormat {
    const char* m_szLabel;
    const char* m_szFile;
    int32_t m_nBits;
    int32_t m_nChannels;
};
constexpr SFormat kFormats[] = {{"8-bit mono", "mono8", 8, 1},
                                {"16-bit stereo", "stereo16", 16, 2}};

std::vector<TickKernels::ELevel> Levels() {
    std::vector<TickKernels::ELevel> levels;
    for (const auto eLevel :
         {TickKernels::ELevel::kAvx2, TickKernels::ELevel::kSse2, TickKernels::ELevel::kPortable}) {
        if (static_cast<int>(eLevel) <= static_cast<int>(TickKernels::BestLevel())) {
            levels.push_back(eLevel);
        }
    }
    return levels;
}

bool Generate(SBenchRecording& rec, uint32_t nSeed) {
    std::printf("writing %-14s %5.1f min ... ", rec.m_strLabel.c_str(), rec.m_dMinutes);
    std::fflush(stdout);
    bool bOk = false;
    const double dSeconds = Seconds([&] { bOk = WriteBenchRecording(rec, nSeed); });
    if (bOk) {
        std::printf("%.1f MB, %d blocks, %.1f s\n", static_cast<double>(rec.m_nFileBytes) / 1e6,
                    rec.m_nBlocks, dSeconds);
    } else {
        std::printf("failed\n");
    }
    return bOk;
}

// Both paths must give the same bytes; all encoded bytes should come back.
bool CheckDecodes(const SBenchRecording& rec) {
    const SDecodeResult perTick = DecodeFile(rec.m_strPath, EDecodePath::kPerTick);
    bool bSame = true;
    for (const auto eLevel : Levels()) {
        TickKernels::SetLevel(eLevel);
        const SDecodeResult block = DecodeFile(rec.m_strPath, EDecodePath::kBlock);
        bSame = bSame && block.m_nBytes == perTick.m_nBytes &&
                block.m_nFailures == perTick.m_nFailures &&
                block.m_nChecksum == perTick.m_nChecksum;
    }
    TickKernels::SetLevel(TickKernels::BestLevel());
    std::printf("check %-14s %5.1f min: %lld of %llu bytes decoded, %lld failures, block path %s\n",
                rec.m_strLabel.c_str(), rec.m_dMinutes, static_cast<long long>(perTick.m_nBytes),
                static_cast<unsigned long long>(rec.m_nDataBytes),
                static_cast<long long>(perTick.m_nFailures), bSame ? "identical" : "DIFFERS");
    return bSame && perTick.m_bOpened;
}

// One line of the summary: decode time over cat time for each path.
std::string SummaryLine(const SBenchRecording& rec, const std::vector<SRow>& rows) {
    char szLine[256];
    int n = std::snprintf(szLine, sizeof szLine, "  %-14s", rec.m_strLabel.c_str());
    for (size_t k = 2; k < rows.size() && n > 0 && static_cast<size_t>(n) < sizeof szLine; ++k) {
        n += std::snprintf(szLine + n, sizeof szLine - static_cast<size_t>(n), "  %s %.2f",
                           rows[k].m_strName.c_str(), rows[k].m_dBest / rows[0].m_dBest);
    }
    return szLine;
}

std::string TimeRecording(const SBenchRecording& rec, int32_t nRounds) {
    std::vector<SRow> rows = {{"cat > /dev/null"}, {"fread 64 KiB"}, {"per-tick"}};
    const std::vector<TickKernels::ELevel> levels = Levels();
    for (const auto eLevel : levels) {
        rows.push_back({std::string("block, ") + TickKernels::LevelName(eLevel)});
    }
    RunCat(rec.m_strPath);  // warm the cache
    for (int32_t nRound = 0; nRound < nRounds; ++nRound) {
        rows[0].Add(Seconds([&] { RunCat(rec.m_strPath); }));
        rows[1].Add(Seconds([&] { ReadWholeFile(rec.m_strPath); }));
        rows[2].Add(Seconds([&] { DecodeFile(rec.m_strPath, EDecodePath::kPerTick); }));
        for (size_t k = 0; k < levels.size(); ++k) {
            TickKernels::SetLevel(levels[k]);
            rows[3 + k].Add(Seconds([&] { DecodeFile(rec.m_strPath, EDecodePath::kBlock); }));
        }
        TickKernels::SetLevel(TickKernels::BestLevel());
    }

    const double dMB = static_cast<double>(rec.m_nFileBytes) / 1e6;
    const double dAudio = static_cast<double>(rec.m_nFrames) / 44100.0;
    const double dTicks = static_cast<double>(rec.m_nFrames);
    std::printf("\n%s, %.1f min of audio, %.1f MB, %.2f M ticks (best of %d)\n",
                rec.m_strLabel.c_str(), dAudio / 60, dMB, dTicks / 1e6, nRounds);
    std::printf("  %-18s %9s %7s %7s %9s %10s %8s\n", "", "ms", "x cat", "x fread", "MB/s",
                "audio s/s", "ns/tick");
    for (const SRow& row : rows) {
        const double d = row.m_dBest;
        std::printf("  %-18s %9.1f %7.2f %7.2f %9.0f %10.0f %8.3f\n", row.m_strName.c_str(),
                    d * 1e3, d / rows[0].m_dBest, d / rows[1].m_dBest, dMB / d, dAudio / d,
                    d * 1e9 / dTicks);
    }
    return SummaryLine(rec, rows);
}

void ReportMemory(const std::string& strProgram, const std::vector<SBenchRecording>& recs) {
    std::printf("\npeak memory of a process that decodes one file (ru_maxrss, KiB)\n");
    std::printf("  %-14s %-9s", "", "");
    for (const SBenchRecording& rec : recs) {
        if (rec.m_strLabel == recs.front().m_strLabel) {
            std::printf(" %8.1f min", rec.m_dMinutes);
        }
    }
    std::printf("\n");
    for (const SFormat& format : kFormats) {
        for (const EDecodePath ePath : {EDecodePath::kPerTick, EDecodePath::kBlock}) {
            std::printf("  %-14s %-9s", format.m_szLabel,
                        ePath == EDecodePath::kBlock ? "block" : "per-tick");
            for (const SBenchRecording& rec : recs) {
                if (rec.m_strLabel == format.m_szLabel) {
                    std::printf(" %12lld", static_cast<long long>(
                                               ChildPeakKiB(strProgram, rec.m_strPath, ePath)));
                }
            }
            std::printf("\n");
        }
    }
}

std::string ThisProgram(const char* szArgv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(szArgv0) : self.string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--decode") {
        return DecodeAndReportPeak(argv[2], PathOfName(argv[3]));
    }
    SOptions options;
    if (!ParseOptions(argc, argv, options)) {
        PrintUsage();
        return 2;
    }
    namespace fs = std::filesystem;
    const bool bOwnDir = options.m_strDir.empty();
    const fs::path dir =
        bOwnDir ? fs::temp_directory_path() / ("tavro-bench-" + std::to_string(getpid()))
                : fs::path(options.m_strDir);
    std::error_code error;
    fs::create_directories(dir, error);

    std::string strCommand = argv[0];
    for (int i = 1; i < argc; ++i) {
        strCommand += std::string(" ") + argv[i];
    }
    std::printf("%s\nkernels: %s is the best on this machine; load average %.2f\n",
                strCommand.c_str(), TickKernels::LevelName(TickKernels::BestLevel()),
                LoadAverage());
    std::vector<SBenchRecording> recs;
    for (const SFormat& format : kFormats) {
        for (const double dMinutes : {options.m_dShortMinutes, options.m_dMinutes}) {
            SBenchRecording rec;
            rec.m_strLabel = format.m_szLabel;
            rec.m_nBits = format.m_nBits;
            rec.m_nChannels = format.m_nChannels;
            rec.m_dMinutes = dMinutes;
            char szName[64];
            std::snprintf(szName, sizeof szName, "%s-%gmin.wav", format.m_szFile, dMinutes);
            rec.m_strPath = (dir / szName).string();
            recs.push_back(rec);
        }
    }
    bool bOk = true;
    uint32_t nSeed = 1;
    for (SBenchRecording& rec : recs) {
        bOk = bOk && Generate(rec, nSeed++);
    }
    for (const SBenchRecording& rec : recs) {
        bOk = bOk && CheckDecodes(rec);
    }
    if (bOk) {
        std::vector<std::string> summary;
        for (const SBenchRecording& rec : recs) {
            if (rec.m_dMinutes == options.m_dMinutes) {
                summary.push_back(TimeRecording(rec, options.m_nRounds));
            }
        }
        ReportMemory(ThisProgram(argv[0]), recs);
        summary.push_back(BenchRobust(ThisProgram(argv[0]), dir.string(), recs, options.m_nRounds));
        summary.push_back(BenchMerge(dir.string(), options.m_dMinutes, options.m_nRounds));
        std::printf("\ndecode time / cat time, %.0f-minute recordings, best of %d:\n",
                    options.m_dMinutes, options.m_nRounds);
        for (const std::string& strLine : summary) {
            std::printf("%s\n", strLine.c_str());
        }
        bOk = PrintReportBench(recs, options.m_dMinutes, options.m_nRounds,
                               options.m_dReportMinutes, dir.string());
        std::printf("load average after: %.2f\n", LoadAverage());
    }
    if (!options.m_bKeep) {
        for (const SBenchRecording& rec : recs) {
            fs::remove(rec.m_strPath, error);
        }
        if (bOwnDir) {
            fs::remove(dir, error);
        }
    }
    return bOk ? 0 : 1;
}
