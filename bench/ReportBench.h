// The report's rows of the benchmark: what measuring for the report costs
// each decoder on a long recording, and how large the page of a tape of an
// hour gets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BenchRecordings.h"

// Times decoding the 8-bit mono recording of dMinutes in recs as a
// conversion run does (without writing the bytes), with each decoder,
// without and with the report (its measurements, the page made and
// written), best of nRounds; then writes a recording of dPageMinutes into
// strDir, decodes it with each decoder and prints the size of its page.
// dPageMinutes 0 leaves the page out. False when a recording is missing or
// cannot be written.
bool PrintReportBench(const std::vector<SBenchRecording>& recs, double dMinutes, int32_t nRounds,
                      double dPageMinutes, const std::string& strDir);
