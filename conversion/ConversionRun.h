// One conversion run: a WAV recording in, every decoded byte out to
// "test.dat" in the current directory, progress on the owner's two lines.
#pragma once

#include "TapeDecoder.h"
#include "TapeOwner.h"

// How a run ended; the last status text says the same to the user.
enum class ERunResult {
    kDone,             // "Hotovo :-)"
    kWavNotOpened,     // the recording could not be opened
    kOutputNotOpened,  // "test.dat" could not be created
    kReadError,        // the recording failed to read part way
    kWriteError,       // writing "test.dat" failed
};

// A run with the owner's reader, through the classic decoder.
ERunResult RunConversion(CTapeOwner& owner);
// A run with any decoder; the owner's reader is not used.
ERunResult RunConversion(CTapeOwner& owner, CTapeDecoder& decoder);
