// What a decoder tells whoever watches a run while it goes on: the command
// line's lines and events now, a window later. The decoder calls it on the
// run's thread, at the moment it knows each thing; the log records the same,
// and stays the record of the whole run. Every call has an empty default.
#pragma once

#include <cstdint>

#include "TapeLog.h"

class CDecodeListener {
public:
    virtual ~CDecodeListener() = default;

    // A block has begun: its leader has led to its first byte, or to a byte
    // lost at once. nIndex: its place in the log; dStart: s, where it starts.
    virtual void OnBlockStart(uint32_t nIndex, double dStart) {
        (void)nIndex;
        (void)dStart;
    }
    // The block has ended; block is its entry in the log.
    virtual void OnBlockEnd(uint32_t nIndex, const STapeBlock& block) {
        (void)nIndex;
        (void)block;
    }
    // A byte of the current block was lost.
    virtual void OnLostByte(const STapeFailure& failure) { (void)failure; }
    // About once a second of the recording: how far the decoding has come
    // (s), and the peak level of the input since the last call (dBFS, at
    // least kSilenceDbfs).
    virtual void OnProgress(double dPosition, double dPeakDbfs) {
        (void)dPosition;
        (void)dPeakDbfs;
    }

    static constexpr double kSilenceDbfs = -120.0;
};
