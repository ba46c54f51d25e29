// Readers in the tests: decoding a whole file, and the block path against
// the per-tick operations, where two readers on the same file go through the
// same calls and every result and the whole reader state after every call
// must be the same.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TapeReader.h"

// Every byte that one reader decodes from the file at strPath, read as a
// conversion run reads it: after a failed byte it searches for the leader
// again.
std::vector<uint8_t> DecodeFile(const std::string& strPath);

// True when every field that a later call could observe is the same,
// including where each input stream stands.
bool SameReaderState(const CTapeReader& a, const CTapeReader& b);
// The fields of SameReaderState on one line, for failure messages.
std::string DescribeReader(const CTapeReader& r);

enum class EOp { kFindLeader, kWaitStartMark, kReadDataByte, kMeasure, kSmoothed };
const char* OpName(EOp eOp);

// Each method returns an empty string while both readers agree, otherwise
// what differed after which call.
class CReaderPair {
public:
    // True when both readers opened the file.
    bool Open(const std::string& strPath);

    // One call on each reader; *pResult gets the per-tick result.
    std::string Step(EOp eOp, int32_t* pResult = nullptr);
    // The conversion run's loop, then a few calls after the end.
    std::string RunLikeConversion();
    // Calls chosen by nextOp until four calls after the end or nMaxCalls.
    std::string RunCalls(const std::function<EOp()>& nextOp, int32_t nMaxCalls);
    // The same with random calls, mostly the block operations.
    std::string RunRandomCalls(std::mt19937& rng, int32_t nMaxCalls);

    CTapeReader& Ref() { return m_ref; }
    CTapeReader& Block() { return m_block; }
    int32_t Bytes() const { return m_nBytes; }  // bytes decoded by RunLikeConversion

private:
    CTapeReader m_ref;
    CTapeReader m_block;
    int32_t m_nCalls = 0;
    int32_t m_nBytes = 0;
};
