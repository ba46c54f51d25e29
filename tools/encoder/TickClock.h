// The reader's frame clock: on which ticks of its 44,100-per-second clock it
// takes the frames of a recording at a rate of up to 44,100 Hz. Its phase
// starts at 0 when the file is opened and grows by the rate every tick; when
// it exceeds the threshold, a frame is read and the phase drops by 44,100.
#pragma once

#include <cstdint>

// The tick (counted from 1) on which frame nFrame (counted from 0) is read.
int64_t FrameReadTick(int32_t nRate, int64_t nFrame);

// How many frames have been read by the end of tick nTick.
int64_t FramesReadBy(int32_t nRate, int64_t nTick);
