// Resource and control identifiers of the program.
#pragma once

#define IDD_TAVRO_TAPE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDC_BROWSE 3
#define IDC_ANALYSE 4
#define IDC_FILE 1000
#define IDC_STATUS 1001
