// What both fuzz targets share: the bound on each input's work, a private
// current folder, and reporting a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Ticks of the reader's clock that one input may take. A header can ask for
// a rate of a few hertz, and the reader then spends 44,100 / rate ticks on
// every frame: the data is cut so that the whole file stays within this.
inline constexpr uint64_t kTickBudget = uint64_t{1} << 17;

// The input as the file to decode: whole when it fits the tick budget,
// otherwise cut after as many frames as fit.
std::vector<uint8_t> BoundedRecording(const uint8_t* pData, size_t nSize);

// Makes a fresh temporary folder the current one for the rest of the
// process (it is removed at exit) and returns its path. Both targets call it
// from LLVMFuzzerInitialize, defined with it, before the first input.
const std::string& FuzzFolder();

// Where each input is written as a recording, in FuzzFolder().
std::string RecordingPath();
// Writes BoundedRecording(pData, nSize) there and returns it.
std::vector<uint8_t> WriteRecording(const uint8_t* pData, size_t nSize);

// Prints what went wrong and aborts, so that the fuzzer keeps the input.
[[noreturn]] void Finding(const std::string& strWhat);
