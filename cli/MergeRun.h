// tavro-tape-cli --merge: the takes of one tape decoded in turn by the
// robust decoder, each shown with its usual lines (or JSON events), then
// merged into one recovery written as a single run writes its bytes, with
// a line (or an event) per block and the final status. Takes that cannot be
// read or hold no common block stop the call before the output is opened.
#pragma once

#include <string>
#include <vector>

#include "CliRun.h"

// strOutput: where the merged bytes go; empty for "test.dat" in the
// current folder. strReport: where the HTML report of the merge goes; empty
// for none. strSplit: the folder for each merged block as a file of its
// own; empty for none. Returns the exit status: 0 when merged and written.
int RunMerge(const std::vector<std::string>& takes, const std::string& strOutput,
             const std::string& strReport, const std::string& strSplit, const SRunOptions& options);
