// The program's resources as the system reads them: dialog template 102,
// icon group 128 and the version.
#pragma once

#include <string>

void CheckProgramResources(const std::wstring& strExe);
