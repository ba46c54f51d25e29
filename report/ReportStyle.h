// The style sheet of the tape report: readable on a phone (the pictures
// scroll sideways there instead of shrinking) and on paper.
#pragma once

extern const char* const kReportStyle;
