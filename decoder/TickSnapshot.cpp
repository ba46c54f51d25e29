#include "TickSnapshot.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DemodulatorRules.h"
#include "FileOpen.h"
#include "TapeReader.h"

using namespace DemodulatorRules;

namespace {

// Ticks read after the window, so that its last crossing gets its class.
constexpr int64_t kAfter = kGapLongMax + 1;

bool SeekTo(std::FILE* pFile, uint64_t nOffset) {
#ifdef _WIN32
    return _fseeki64(pFile, static_cast<__int64>(nOffset), SEEK_SET) == 0;
#else
    return fseeko(pFile, static_cast<off_t>(nOffset), SEEK_SET) == 0;
#endif
}

char ClassOfGap(int64_t nGap) {
    if (nGap < 2 || nGap > kGapLongMax) {
        return 'X';  // not seen, or too long for data
    }
    return nGap <= kGapShortMax ? 'S' : 'L';
}

}  // namespace

int64_t FramesAfterTicks(int32_t nRate, int64_t nTicks) {
    if (nRate >= CTapeReader::kTickRate) {
        return nTicks;  // a frame every tick
    }
    // The phase, nTicks * rate less a tick rate per frame, stays within
    // (threshold - tick rate, threshold]: that fixes the number of frames.
    const int64_t nOver = nTicks * nRate - CTapeReader::kPhaseThreshold;
    return nOver <= 0 ? 0 : (nOver + CTapeReader::kTickRate - 1) / CTapeReader::kTickRate;
}

bool ReadTickSnapshot(const STickFile& file, int64_t nAt, int64_t nHalf,
                      SSignalSnapshot& snapshot) {
    const int64_t nFrom = std::max<int64_t>(0, nAt - nHalf);
    const int64_t nTo = nAt + nHalf;
    // Tick values from four before the window on: the smoothed value before
    // its first tick tells whether that tick is a crossing.
    const int64_t nFirstTick = nFrom - 4;
    const int64_t nEndTick = nTo + kAfter;
    const int32_t nStride =
        (file.m_nFrameSize >= 2 && file.m_nFrameSize <= 4) ? file.m_nFrameSize : 1;
    // Tick t holds the last byte of frame FramesAfterTicks(t + 1) - 1.
    const int64_t nFirstFrame =
        std::max<int64_t>(0, FramesAfterTicks(file.m_nRate, nFirstTick + 1) - 1);
    const int64_t nEndFrame = FramesAfterTicks(file.m_nRate, nEndTick);
    std::vector<uint8_t> frames(static_cast<size_t>((nEndFrame - nFirstFrame) * nStride), 0);

    std::FILE* pFile = OpenFileUtf8(file.m_strPath, "rb");
    if (pFile == nullptr) {
        return false;
    }
    bool bRead =
        SeekTo(pFile, CTapeReader::kHeaderSize + static_cast<uint64_t>(nFirstFrame * nStride));
    if (bRead) {
        // A read that comes short at the end of the file leaves zeros; only
        // an error makes the picture wrong.
        const size_t nRead = std::fread(frames.data(), 1, frames.size(), pFile);
        bRead = nRead == frames.size() || std::ferror(pFile) == 0;
    }
    std::fclose(pFile);
    if (!bRead) {
        return false;
    }

    const auto TickValue = [&](int64_t t) -> int32_t {
        const int64_t nFrame = FramesAfterTicks(file.m_nRate, t + 1) - 1;
        if (t < 0 || nFrame < nFirstFrame) {
            return 0;
        }
        return frames[static_cast<size_t>((nFrame - nFirstFrame) * nStride + nStride - 1)];
    };
    std::vector<int32_t> smoothed;
    for (int64_t t = nFrom; t < nEndTick; ++t) {
        smoothed.push_back((TickValue(t) + TickValue(t - 1) + TickValue(t - 2) + TickValue(t - 3)) /
                           4);
    }
    const auto Bit = [&](int64_t t) {
        return t < nFrom
                   ? ((TickValue(t) + TickValue(t - 1) + TickValue(t - 2) + TickValue(t - 3)) / 4 &
                      kMidpointBit)
                   : (smoothed[static_cast<size_t>(t - nFrom)] & kMidpointBit);
    };

    snapshot = {};
    snapshot.m_dStart = static_cast<double>(nFrom) * file.m_dTickSeconds;
    snapshot.m_dStep = file.m_dTickSeconds;
    snapshot.m_dFailureAt = static_cast<double>(nAt) * file.m_dTickSeconds;
    for (int64_t t = nFrom; t < nTo; ++t) {
        snapshot.m_samples.push_back(
            static_cast<float>((smoothed[static_cast<size_t>(t - nFrom)] - 127.5) / 127.5));
    }
    std::vector<int64_t> crossings;
    for (int64_t t = nFrom; t < nEndTick; ++t) {
        if (Bit(t) != Bit(t - 1)) {
            crossings.push_back(t);
        }
    }
    for (size_t k = 0; k < crossings.size() && crossings[k] < nTo; ++k) {
        const int64_t nNext = k + 1 < crossings.size() ? crossings[k + 1] : nEndTick + 1;
        snapshot.m_crossings.push_back({static_cast<double>(crossings[k]) * file.m_dTickSeconds,
                                        ClassOfGap(nNext - crossings[k])});
    }
    return true;
}
