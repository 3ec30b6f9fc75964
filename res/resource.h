// Every resource and control id of the program, grouped by where it is used.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_KELVARA_DIALOG 102

// Strings
#define IDS_ABOUTBOX 101

// Icons, menus, bitmaps
#define IDR_MAINFRAME 128      // icon group
#define IDR_TRAYMENU 129       // tray menu; also the tray icon's id
#define IDB_BANNER 174
#define IDB_LEGEND 175

// Level pictures (resource type "GIF"), from the lowest load to the highest, and the still one
#define IDR_GIF_LEVEL1 176
#define IDR_GIF_LEVEL2 128
#define IDR_GIF_LEVEL3 178
#define IDR_GIF_LEVEL4 179
#define IDR_GIF_LEVEL5 180
#define IDR_GIF_LEVEL6 181
#define IDR_GIF_STOPPED 182

// Labels and frames that the code never addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Controls of the main window (dialog 102)
#define IDC_HISTOGRAM 1000     // created at run time over IDC_GRAPH_HOST
#define IDC_ACCELERATE 1001
#define IDC_QUIT 1007
#define IDC_GRAPH_HOST 1024
#define IDC_LABEL_TOP 1025
#define IDC_LABEL_BOTTOM 1026
#define IDC_LABEL_MIDDLE 1027
#define IDC_ADAPTERS 1028
#define IDC_RUN 1030
#define IDC_LAUNCHER 1034
#define IDC_BANNER 1035
#define IDC_LEGEND 1036
#define IDC_LEVEL_PICTURE 1037

// Controls of the About box (dialog 100)
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_MAKER 1003

// System menu
#define IDM_ABOUTBOX 0x0010

// Tray menu commands
#define ID_APP_ABOUT 32776
#define ID_RUN_AT_STARTUP 32781
#define ID_APP_EXIT 32786
#define ID_WEB_SAFETY 32792
#define ID_WEB_HELP 32793
#define ID_WEB_FILE_SHARING 32794
#define ID_WEB_EMUSIC 32795
#define ID_WEB_TORRENTS 32796
#define ID_WEB_MEDIA 32797

// Messages and timers of the main window
#define WM_TRAY_NOTIFY 0x800A  // WM_APP + 10
#define ID_TIMER_SAMPLER 20
