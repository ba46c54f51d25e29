// The main dialog, run in this process on template 102 and driven from a
// second thread through window messages.
#pragma once

#include "RecordingFixture.h"

void RunDialogScenarios(const CRecordingFixture& fixture);
