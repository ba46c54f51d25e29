// Whole-block kernels of the block path: tick values, midpoint bits, the
// positions of the crossings and the classes of the gaps between them.
//
// Each kernel has a portable version and, on x86-64, an SSE2 one (every
// x86-64 machine has it) and an AVX2 one that is used only when the
// processor reports AVX2, BMI1, BMI2 and POPCNT. All give identical results.
#pragma once

#include <cstdint>

namespace TickKernels {

enum class ELevel { kPortable, kSse2, kAvx2 };

// The best level this machine supports, and the one in use (the best one
// unless SetLevel chose a lower one; tests and the benchmark compare them).
ELevel BestLevel();
ELevel CurrentLevel();
// Uses nLevel, or the best supported level below it. Returns the level set.
ELevel SetLevel(ELevel eLevel);
const char* LevelName(ELevel eLevel);

// Keeps byte nStride - 1 of each of nFrames frames of nStride (2, 3 or 4)
// bytes starting at pFrames: the byte that the frame reader returns.
void GatherFrames(const uint8_t* pFrames, int32_t nStride, int32_t nFrames, uint8_t* pOut);

// For each tick t from 0 to 64 * nWords - 1, sets bit t % 64 of pOut[t / 64]
// when the mean of the four tick values pTicks[t - 3] .. pTicks[t] is 128 or
// more (bit 7 of the smoothed value). pTicks[-3] .. pTicks[64 * nWords - 1]
// must be readable.
void MidpointBits(const uint8_t* pTicks, int32_t nWords, uint64_t* pOut);

// Writes 1 + t for every set bit t of pEdges[0 .. nWords - 1], in order, to
// pOut and returns how many there are. pOut needs room for that count plus
// 64 scratch entries.
int32_t EdgePositions(const uint64_t* pEdges, int32_t nWords, uint16_t* pOut);

// Class masks of the gaps pPos[k + 1] - pPos[k] for k from 0 to nGaps - 1,
// one bit per gap; every bit from nGaps up to the end of the nWords words is
// set, so that scans stop there. pPos[0 .. nGaps + 16] must be readable.
struct SGapMasks {
    uint64_t* m_pLong;     // gap 1, or longer than a short half-period
    uint64_t* m_pTooLong;  // gap 1, or too long for a data half-period
};
void GapClasses(const uint16_t* pPos, int32_t nGaps, int32_t nWords, const SGapMasks& masks);
// The same for the leader: gaps whose score is out of its range (gap 1
// included).
void LeaderGapClasses(const uint16_t* pPos, int32_t nGaps, int32_t nWords, uint64_t* pNoLeader);

}  // namespace TickKernels
