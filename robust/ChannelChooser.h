// Which channel of a recording carries the tape: decks recorded to a
// stereo input give two copies, or the tape on one channel and silence or
// noise on the other. The channel with the most energy in the band of the
// tape's tones, over the first seconds, is taken; the input is then back at
// its first frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "RobustConfig.h"
#include "SoundInput.h"

// 0-based channel (0 for a mono file), or -1 when the input could not go
// back to its start: it must then be opened again.
int32_t ChooseTapeChannel(CSoundInput& input, const SRobustConfig& config);
