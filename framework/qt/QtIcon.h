// Icon handles of the Qt layer: each stands for one QIcon holding every image
// of an icon resource.
#pragma once

#include <QIcon>

#include "WinApiSubset.h"

// The icon behind hIcon; a null icon for a null handle.
QIcon IconFromHandle(HICON hIcon);

// Where the program's icon resources live among the Qt resources: icon nID is
// the file "<nID>.ico" under this folder.
inline constexpr const char* kIconResourceFolder = ":/tavro/icons/";
