#pragma once
// Numbers of the resources, controls, commands, timers and private messages. Shared by
// vetrel.rc and the C++ sources, so it holds only #defines.

#define IDD_MAIN 129
#define IDD_MESSAGES 131
#define IDD_SCAN_PAGE 140
#define IDM_MAIN 109
#define IDI_PROGRAM 133
#define IDI_SORT_UP 139

// Message window controls.
#define IDC_MESSAGE_EDIT 1000

// Main window controls and timers.
#define IDC_STATUS_BAR 2001
#define IDC_ARP_LIST 2002
#define IDC_SAMPLE_LIST 2003
#define IDT_CHECK 2005
#define IDC_TABS 2006
#define IDC_ROUTE_LIST 2007
#define IDT_SCAN_REPEAT 2008

// Main menu.
#define IDM_ABOUT 104
#define IDM_MESSAGE_WINDOW 32771
#define IDM_SETTINGS 32774
#define IDM_OPEN_LOG 40000
#define IDM_DELETE_LOG 40001

// Context menus.
#define IDM_ARP_ADD 3001
#define IDM_ARP_DELETE 3002
#define IDM_ARP_DELETE_ALL 3003
#define IDM_SAMPLE_ADD 3004
#define IDM_SAMPLE_EDIT 3005
#define IDM_SAMPLE_DELETE 3006
#define IDM_SAMPLE_TO_CACHE 3008
#define IDM_ARP_TO_SAMPLES 3009
#define IDM_SAMPLE_COPY 3012
#define IDM_ROUTE_ADD 3015
#define IDM_ROUTE_DELETE 3017
#define IDM_ROUTE_REFRESH 3018
#define IDM_SAMPLE_UP 3020
#define IDM_SAMPLE_DOWN 3021

// Scan page (template 140) controls and its result list's context menu.
#define IDC_SCAN_FROM 1000
#define IDC_SCAN_TO 1011
#define IDC_SCAN_NAMES 1002
#define IDC_SCAN_COMPARE 1003
#define IDC_SCAN_REPEAT 40005
#define IDC_SCAN_MINUTES 40003
#define IDC_SCAN_RESULTS 2004
#define IDM_SCAN_TO_SAMPLES 3010
#define IDM_SCAN_TO_CACHE 3011
#define IDM_SCAN_COPY 3012
