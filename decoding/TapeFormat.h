// The tape code's half-periods at the nominal speed, whatever the decoder:
// a short one (two make a bit that keeps the level, and the leader is made
// of them) and a long one (a start mark, or a bit that changes the level).
#pragma once

namespace TapeFormat {

inline constexpr double kShortSeconds = 11.0 / 44100.0;
inline constexpr double kLongSeconds = 34.0 / 44100.0;

}  // namespace TapeFormat
