// A look at the first seconds of a recording before decoding it: which
// channel carries the tape (decks recorded to a stereo input give two
// copies, or the tape on one channel and silence or noise on the other),
// and whether mains hum rides on it, at 50 or 60 Hz. The channel with the
// most energy in the band of the tape's tones is taken; hum counts when the
// energy at the mains frequency and its first harmonic is within
// kHumBelowTones of that of the tones. The first leader's shape on that
// channel (CLeaderShape) tells whether the way from the tape changed the
// shape of the pulses. The survey reads the first seconds
// once, as many as the input holds for a replay, and the input then replays
// them from its first frame. A stream's survey ends early, once the first
// leader has been measured, so that its first block is decoded as it
// arrives.
#pragma once

#include <cstdint>

#include "RobustConfig.h"
#include "SoundInput.h"

struct SRecordingSurvey {
    int32_t m_nChannel = 0;          // 0-based
    double m_dHumHz = 0.0;           // 50 or 60, or 0 for no hum worth removing
    double m_dLeaderFlatness = 0.0;  // of the first leader, 0 where none was measured
    double m_dLeaderDroop = 0.0;  // of the first leader (CLeaderShape), 0 where none was measured
    bool m_bReplayed = true;      // false: the input could not go back to its first frame
    int64_t m_nFrames = 0;        // frames read, which the input holds for a replay
};

SRecordingSurvey SurveyRecording(CSoundInput& input, const SRobustConfig& config);
