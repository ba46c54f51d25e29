// Times in a recording as people read them.
#pragma once

#include <string>

// MM:SS.mmm, rounded to the millisecond (minutes go on past 59).
std::string FormatTapeTime(double dSeconds);
