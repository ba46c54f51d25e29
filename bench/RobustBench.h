// The robust decoder's rows of the benchmark: the 16-bit stereo 44,100 Hz
// recordings of the main rows, and a 96 kHz 24-bit mono recording of the
// same length made by the analog renderer, each timed against cat, with the
// peak memory of a process that decodes the short and the long one.
#pragma once

#include <string>
#include <vector>

#include "BenchRecordings.h"

// Returns the summary line; prints the rows as it goes.
std::string BenchRobust(const std::string& strProgram, const std::string& strDir,
                        const std::vector<SBenchRecording>& recs, int32_t nRounds);
