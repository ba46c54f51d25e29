// Which files each recording of a call goes to: with one recording, its
// bytes to "test.dat" in the current folder (or the file of -o) and its
// report to the file of --report; with several, each recording's bytes to
// NAME.dat beside it (or in the folder of -o) and its report to
// REPORTDIR/NAME.html, NAME being the recording's file name without its
// extension. With --split DIR, the blocks of one recording go to DIR, those
// of each of several to DIR/NAME.
#pragma once

#include <string>
#include <vector>

#include "Arguments.h"

struct SRunPlan {
    std::string m_strRecording;
    std::string m_strOutput;  // empty: "test.dat" in the current folder
    std::string m_strReport;  // empty: no report
    std::string m_strSplit;   // the folder for each block as a file; empty: none
};

// The folder part of strPath with its separator ("" for the current folder).
std::string FolderOf(const std::string& strPath);

// The plans of a request to run, in the order of its recordings; false with
// strError set when two of them would write the same file.
bool PlanRuns(const CCliRequest& request, std::vector<SRunPlan>& plans, std::string& strError);

// Checks, before anything is decoded, that a report can be written at
// strPath by opening it to append (which creates it when it is missing and
// leaves a file that is there as it is); false with the system's reason.
bool ProbeReportPath(const std::string& strPath, std::string& strReason);
