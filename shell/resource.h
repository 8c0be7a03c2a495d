// Control and resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN_DIALOG 102
#define IDD_FIND_BLOCK 103
#define IDD_BLOCK_SIZES 104
#define IDD_CHANGES_SINCE_MARK 105
#define IDD_BLOCK_TYPES 106
#define IDR_MAINFRAME 128
#define IDB_ABOUT_LOGO 129
#define IDI_CLOSE_DATA 130
#define IDI_REFRESH 131
#define IDI_SAVE_DATA 132

#define IDC_PROCESS_COMBO 1000
#define IDC_NODE_LIST 1001
#define IDC_BLOCK_LIST 1002
#define IDC_TITLE_TEXT 1003
#define IDC_SUBTITLE_TEXT 1004
#define IDC_NODE_CAPTION 1005
#define IDC_BLOCK_CAPTION 1006
#define IDC_DATA_CAPTION 1007
#define IDC_DATA_LIST 1009
#define IDC_CLOSE_DATA 1010
#define IDC_SAVE_DATA 1011
#define IDC_FIND_ADDRESS 1012
#define IDC_FIND_BYTES 1013
#define IDC_FIND_TEXT 1014
#define IDC_FIND_INPUT 1015
// The table dialogs' totals line and table.
#define IDC_TABLE_TOTALS 1016
#define IDC_TABLE_LIST 1017
#define IDC_BY_SIZE 1018
#define IDC_BY_TYPE 1019
// The About box's emblem.
#define IDC_ABOUT_LOGO 1020

// System-menu command of the About item; its low four bits are zero so it
// survives the 0xFFF0 mask applied to system commands.
#define IDM_ABOUTBOX 0x0010

// Items of the tables' and the data list's context menu.
#define IDM_COPY 32771
#define IDM_COPY_ALL 32772
#define IDM_FIND 32773
#define IDM_BLOCK_SIZES 32774
#define IDM_MARK_BLOCKS 32775
#define IDM_CHANGES_SINCE_MARK 32776
#define IDM_BLOCK_TYPES 32777
// "Go to" items of the data view's menu, one per pointer of the row.
#define IDM_GO_TO_FIRST 32800
