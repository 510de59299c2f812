#pragma once

// Resource and control identifiers of the program, shared by the resource script and the code.
#define IDR_MAINFRAME 128
#define IDB_START_NORMAL 132
#define IDB_START_HOVER 134
#define IDB_START_PRESSED 135
#define IDB_BACKGROUND 136
#define IDB_RESTORE_NORMAL 138
#define IDB_RESTORE_HOVER 139

// The pictures drawn for 125%, 150% and 200% (PNG files as RCDATA): the percent times 100 plus
// the identifier of the same picture's 100% bitmap.
#define IDP_START_NORMAL_125 12632
#define IDP_START_HOVER_125 12634
#define IDP_START_PRESSED_125 12635
#define IDP_BACKGROUND_125 12636
#define IDP_RESTORE_NORMAL_125 12638
#define IDP_RESTORE_HOVER_125 12639
#define IDP_START_NORMAL_150 15132
#define IDP_START_HOVER_150 15134
#define IDP_START_PRESSED_150 15135
#define IDP_BACKGROUND_150 15136
#define IDP_RESTORE_NORMAL_150 15138
#define IDP_RESTORE_HOVER_150 15139
#define IDP_START_NORMAL_200 20132
#define IDP_START_HOVER_200 20134
#define IDP_START_PRESSED_200 20135
#define IDP_BACKGROUND_200 20136
#define IDP_RESTORE_NORMAL_200 20138
#define IDP_RESTORE_HOVER_200 20139

#define IDD_OPTIMIZE_DIALOG 102
#define IDC_START 1000
#define IDC_LOG 1001
#define IDC_RESTORE 1002
// The background picture's texts, for screen readers: windows that draw the picture under them.
#define IDC_STEP1 1003
#define IDC_STEP2 1004
#define IDC_STEP3 1005
#define IDC_HINT 1006
#define IDC_LOG_HEADING 1007
