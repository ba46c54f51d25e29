// What a live recording needs of whatever captures it: the frames as they
// arrive, whether the capture still runs, and a way to stop it. The sound
// card's stream gives it; tests give their own.
#pragma once

#include "SampleRing.h"

class CCaptureFeed {
public:
    virtual ~CCaptureFeed() = default;
    virtual CSampleRing& Ring() = 0;
    // False once the capture has stopped by itself (a device that went away).
    virtual bool IsRunning() const = 0;
    // Stops taking frames; those already in the ring stay there.
    virtual void Stop() = 0;
    // Gives up on a capture that has stopped delivering: nothing more is
    // taken from it, and nothing waits for it, since a device that hangs in
    // a read would hang whoever stops it.
    virtual void Abandon() = 0;
};
