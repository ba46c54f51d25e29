// Fuzz target: the block path of FindLeader, WaitStartMark and ReadDataByte
// against the per-tick operations, on any file. Both readers must return the
// same results and be left in the same state after every call.
//
// The reader takes only the rate (bytes 24-27) and the frame size (byte 32)
// from the 46-byte header, so the fuzzer's other header bytes steer the test
// without changing the signal: byte 22 picks the kernel level, and the rest
// are a script of calls made before the conversion run's loop (byte 0 says
// how many, the next ones which).
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "TickKernels.h"
#include "support/ReaderPair.h"

namespace {

constexpr size_t kLevelByte = 22;
// Header bytes that the reader ignores, apart from kLevelByte.
constexpr size_t kScriptBytes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                   14, 15, 16, 17, 18, 19, 20, 21, 23, 28, 29, 30, 31, 33,
                                   34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45};

// Each script byte is one call: the low three bits choose it, and values
// that name no call are a data byte read.
EOp ScriptOp(uint8_t nByte) {
    switch (nByte & 7u) {
        case 0:
            return EOp::kFindLeader;
        case 1:
            return EOp::kWaitStartMark;
        case 2:
            return EOp::kMeasure;
        case 3:
            return EOp::kSmoothed;
        default:
            return EOp::kReadDataByte;
    }
}

TickKernels::ELevel Level(const std::vector<uint8_t>& file) {
    const uint8_t nChoice = file.size() > kLevelByte ? file[kLevelByte] : 0;
    switch (nChoice % 3) {
        case 0:
            return TickKernels::ELevel::kAvx2;  // or the best level below it
        case 1:
            return TickKernels::ELevel::kSse2;
        default:
            return TickKernels::ELevel::kPortable;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string strPath = RecordingPath();
    const std::vector<uint8_t> file = WriteRecording(pData, nSize);
    TickKernels::SetLevel(Level(file));

    CReaderPair pair;
    if (!pair.Open(strPath)) {
        if (!SameReaderState(pair.Ref(), pair.Block())) {
            Finding("the readers disagree on opening the file");
        }
        return 0;
    }
    // The script's calls, then the conversion run's loop from there.
    const auto ScriptByte = [&](size_t nIndex) {
        const size_t nAt = kScriptBytes[nIndex];
        return nAt < file.size() ? file[nAt] : uint8_t{0};
    };
    const auto nCalls = static_cast<int32_t>(ScriptByte(0) % std::size(kScriptBytes));
    size_t nNext = 1;
    const auto nextOp = [&] { return ScriptOp(ScriptByte(nNext++ % std::size(kScriptBytes))); };
    if (std::string strError = pair.RunCalls(nextOp, nCalls); !strError.empty()) {
        Finding(strError);
    }
    if (std::string strError = pair.RunLikeConversion(); !strError.empty()) {
        Finding(strError);
    }
    return 0;
}
