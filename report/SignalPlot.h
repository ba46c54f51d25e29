// A small picture of the signal that a decoder saw around a failed byte:
// the conditioned signal, its midpoint, the crossings it found with the
// class of the half-period each one starts (S short, L long, X too long or
// out of range), and the place of the failure.
#pragma once

#include <string>

#include "Canvas.h"
#include "TapeLog.h"

void PaintSnapshot(CCanvas& canvas, const SSignalSnapshot& snapshot);
// The picture as an <svg> element.
std::string DrawSnapshot(const SSignalSnapshot& snapshot);
