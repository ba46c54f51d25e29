#include "FuzzInput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "TapeReader.h"
#include "support/TestFiles.h"

namespace {

constexpr size_t kRateOffset = 24;
constexpr size_t kFrameSizeOffset = 32;

uint8_t HeaderByte(const uint8_t* pData, size_t nSize, size_t nOffset) {
    return nOffset < nSize ? pData[nOffset] : 0;
}

// Bytes that the reader takes per frame: the frame size for 2-4, else one.
uint64_t BytesPerFrame(const uint8_t* pData, size_t nSize) {
    const uint8_t nFrameSize = HeaderByte(pData, nSize, kFrameSizeOffset);
    return (nFrameSize >= 2 && nFrameSize <= 4) ? nFrameSize : 1;
}

int32_t Rate(const uint8_t* pData, size_t nSize) {
    uint32_t nBits = 0;
    for (size_t k = 0; k < 4; ++k) {
        nBits |= uint32_t{HeaderByte(pData, nSize, kRateOffset + k)} << (8 * k);
    }
    return static_cast<int32_t>(nBits);
}

// Most ticks between two frame reads: at most ceil(44,100 / rate), and one
// above 44,100 Hz; one more for the first read.
uint64_t TicksPerFrame(int32_t nRate) {
    const auto nRate64 = static_cast<uint64_t>(nRate);
    if (nRate64 >= CTapeReader::kTickRate) {
        return 1;
    }
    return (CTapeReader::kTickRate + nRate64 - 1) / nRate64 + 1;
}

// The most ticks that reading a file of nSize bytes takes, from the rate and
// frame size its header gives (bytes missing from a short header read as 0).
uint64_t TickBound(const uint8_t* pData, size_t nSize) {
    const int32_t nRate = Rate(pData, nSize);
    if (nRate <= 0) {
        return 0;  // the file does not open
    }
    const size_t nHeader = CTapeReader::kHeaderSize;
    const uint64_t nDataBytes = nSize > nHeader ? nSize - nHeader : 0;
    const uint64_t nBytesPerFrame = BytesPerFrame(pData, nSize);
    const uint64_t nFrames = (nDataBytes + nBytesPerFrame - 1) / nBytesPerFrame;
    // The read that finds the end, and one spare.
    return (nFrames + 2) * TicksPerFrame(nRate);
}

}  // namespace

std::vector<uint8_t> BoundedRecording(const uint8_t* pData, size_t nSize) {
    std::vector<uint8_t> file(pData, pData + nSize);
    if (TickBound(pData, nSize) <= kTickBudget) {
        return file;
    }
    const uint64_t nPerFrame = TicksPerFrame(Rate(pData, nSize));
    const uint64_t nFit = kTickBudget / nPerFrame;
    const uint64_t nFrames = nFit > 2 ? nFit - 2 : 0;
    const uint64_t nKeep = CTapeReader::kHeaderSize + nFrames * BytesPerFrame(pData, nSize);
    file.resize(static_cast<size_t>(std::min<uint64_t>(nKeep, nSize)));
    return file;
}

const std::string& FuzzFolder() {
    // Destroyed in reverse order at exit: back to the previous folder, then
    // the temporary one is removed.
    static const CTempDir dir;
    static const CCurrentDir here(dir.Path());
    static const std::string strFolder = PathUtf8(dir.Path());
    return strFolder;
}

std::string RecordingPath() {
    return FuzzFolder() + "/in.wav";
}

std::vector<uint8_t> WriteRecording(const uint8_t* pData, size_t nSize) {
    std::vector<uint8_t> file = BoundedRecording(pData, nSize);
    WriteBytes(RecordingPath(), file);
    return file;
}

void Finding(const std::string& strWhat) {
    std::fprintf(stderr, "FINDING: %s\n", strWhat.c_str());
    std::fflush(stderr);
    std::abort();
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzFolder();
    return 0;
}
