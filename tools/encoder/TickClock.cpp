#include "TickClock.h"

#include "TapeReader.h"

namespace {

constexpr int64_t kTickRate = CTapeReader::kTickRate;
// With the phase counted from 0, frames read by tick t number
// floor((t * rate + kReadBias) / kTickRate): a read happens once the phase
// would exceed the threshold, that is reach it plus one.
constexpr int64_t kReadBias = kTickRate - CTapeReader::kPhaseThreshold - 1;

}  // namespace

int64_t FrameReadTick(int32_t nRate, int64_t nFrame) {
    return ((nFrame + 1) * kTickRate - kReadBias + nRate - 1) / nRate;
}

int64_t FramesReadBy(int32_t nRate, int64_t nTick) {
    return (nTick * nRate + kReadBias) / kTickRate;
}
