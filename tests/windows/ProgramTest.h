// The program itself: its resources, and a whole run of it as a process.
#pragma once

#include <string>

#include "RecordingFixture.h"

// strExe: the program's path (a Unix path under Wine is converted).
void RunProgramTests(const std::string& strExe, const CRecordingFixture& fixture);
