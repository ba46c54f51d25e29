// The record name of a block in a decoder's log.
#pragma once

#include <string>

#include "TapeLog.h"

// The raw name bytes from the block's first bytes (see ScanRecordName);
// empty when they hold no record header.
std::string RawRecordName(const STapeBlock& block);
