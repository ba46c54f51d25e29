// What the benchmark times: decoding a recording the way the conversion run
// does, and merely reading the same file.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

enum class EDecodePath { kPerTick, kBlock, kRobust };

struct SDecodeResult {
    bool m_bOpened = false;
    int64_t m_nBytes = 0;     // good bytes
    int64_t m_nFailures = 0;  // failed bytes (each followed by a leader search)
    uint64_t m_nChecksum = 0;
};

// FindLeader, then ReadDataByte until the end of data with FindLeader after
// each failure, as the run does (without writing the bytes anywhere); the
// robust path through the decoder interface.
SDecodeResult DecodeFile(const std::string& strPath, EDecodePath ePath);

// Reads the whole file with fread in 64 KiB blocks into one buffer.
uint64_t ReadWholeFile(const std::string& strPath);
// Runs "cat PATH > /dev/null" as a process of its own; false if it failed.
bool RunCat(const std::string& strPath);

// Runs this program again as "PROGRAM --decode PATH per-tick|block|robust" and
// returns the peak resident memory in KiB that the child reports, or -1.
int64_t ChildPeakKiB(const std::string& strProgram, const std::string& strPath, EDecodePath ePath);
// The child's side: decodes and prints "peak-kib N bytes N".
int DecodeAndReportPeak(const std::string& strPath, EDecodePath ePath);
// The path named on a child's command line.
EDecodePath PathOfName(const std::string& strName);

// Seconds for one call, on the steady clock.
template <typename F>
double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}
