// How far each take of a merge can be trusted, as a whole. A take counts
// for less in every vote when
// - its blocks disagree with the others more often than they agree: a
//   block of a take agrees when it joined a block that another take also
//   joined, and disagrees when it was set aside; or
// - it lost far more of its bytes than the best take (a steep filter on
//   the line, heavy noise): its bytes are framed from a signal that broke
//   all the time, and where it breaks it also frames wrong bytes that
//   nothing marks.
// Such a take decides no byte against a take that counts fully, two of
// them cannot outvote one, and only the runs of its bytes that the others
// confirm count at all (see CByteProfile::MarkDoubtfulRuns).
#pragma once

#include <span>
#include <vector>

#include "BlockMerge.h"
#include "TapeLog.h"

inline constexpr float kTrustedWeight = 1.0f;
inline constexpr float kDistrustedWeight = 0.4f;

// Per take: its weight in the votes. takes: the logs the blocks come from.
std::vector<float> TakeWeights(std::span<const SBlockProfile> blocks,
                               std::span<const CTapeLog* const> takes);
