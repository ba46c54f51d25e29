// Which low-cut stands between the tape and the recording: the first
// seconds, conditioned, are decoded once as they are and once behind the
// inverse of each likely low-cut (CLowCutInverse: orders 1 to 4, corners
// from 100 to 400 Hz a half-octave apart), and the one that frames the
// most bytes, a lost byte counting against several, wins. The recording
// as it is wins every tie; where its leader is only rounded, a low-cut
// must frame clearly more to be undone, where it sags (the edges run, a
// low-cut is there) any more at all. Where the first seconds hold no
// bytes, nothing changes (and m_bTold says so).
//
// The leader alone cannot tell: it is a tone of one frequency, far above
// any line's corner. The first bytes, long and short half-periods mixed,
// show the low-cut plainly, as bytes that break.
#pragma once

#include <cstdint>
#include <vector>

#include "RobustConfig.h"

struct SLowCut {
    int32_t m_nOrder = 0;  // 0: none
    double m_dCornerHz = 0.0;
    bool m_bTold = false;  // the seconds held enough bytes to tell
};

// conditioned: chain samples at dRate, filtered as decoding filters them;
// bEdges: the edges run beside the crossings.
SLowCut ProbeLowCut(const std::vector<double>& conditioned, double dRate, bool bEdges,
                    const SRobustConfig& config);
// The ratio of the inverse's new corner to the one it undoes.
inline constexpr double kLowCutRatio = 0.5;
