#pragma once

// Resource and control identifiers of the program, shared by the resource script and the code.
#define IDR_MAINFRAME 128
#define IDB_START_NORMAL 132
#define IDB_START_HOVER 134
#define IDB_START_PRESSED 135
#define IDB_BACKGROUND 136
#define IDB_RESTORE_NORMAL 138
#define IDB_RESTORE_HOVER 139
#define IDD_OPTIMIZE_DIALOG 102
#define IDC_START 1000
#define IDC_LOG 1001
#define IDC_RESTORE 1002
