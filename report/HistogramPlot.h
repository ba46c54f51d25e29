// The histogram of every measured half-period: logarithmic in length
// (20 µs to 20 ms) and in count, with the decoder's class boundaries drawn
// on it and each bar coloured by the class it falls in.
#pragma once

#include <string>

#include "Canvas.h"
#include "TapeLog.h"

// The class that the bounds give a half-period of dSeconds: "noise",
// "short", "long" or "toolong" (a CSS class of the page).
const char* HalfPeriodClass(double dSeconds, const SClassBounds& bounds);

void PaintHistogram(CCanvas& canvas, const CHalfPeriodHistogram& histogram,
                    const SClassBounds& bounds);
// The histogram as an <svg> element.
std::string DrawHistogram(const CHalfPeriodHistogram& histogram, const SClassBounds& bounds);
