// The merge's row of the benchmark: three takes of one worn tape as long
// as the long recordings, decoded by the robust decoder with evidence kept
// and then merged, the merge's time against the decoding's.
#pragma once

#include <cstdint>
#include <string>

// Returns the summary line; prints the row as it goes.
std::string BenchMerge(const std::string& strDir, double dMinutes, int32_t nRounds);
