// Resource numbers of KPRT5.exe, shared by the resource script and the code.
// Plain defines only, so that windres and the C++ compiler both read this file.
#ifndef KPRT5_RESOURCES_RESOURCE_H
#define KPRT5_RESOURCES_RESOURCE_H

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102

// Strings
#define IDS_ABOUTBOX 101   // system-menu About item (English only)
#define IDS_TRAY_TIP 102   // tooltip given when the tray icon is added (English only)
#define IDS_STARTUP 103    // text of the StartUp item of the tray menu
#define IDS_READY 104      // tray tooltip while ready
#define IDS_NOT_READY 105  // tray tooltip while not ready

// Icons and menu
#define IDR_MAINFRAME 128  // program icon, About box
#define IDR_TRAY_MENU 130  // tray popup menu; also the tray icon's identifier
#define IDI_READY 131      // tray icon while ready
#define IDI_NOT_READY 132  // tray icon while not ready; the main window's icon

// Commands
#define IDM_ABOUTBOX 0x0010  // system-menu About item
#define ID_TRAY_ABOUT 32771
#define ID_SHOW_WINDOW 32772
#define ID_TRAY_EXIT 32773
#define ID_TRAY_STARTUP 32776

// Tray callback message: WM_USER + 10
#define WM_TRAY_CALLBACK 1034

// Controls of dialog 102, the engineering panel
#define IDC_INFO_LIST 1000
#define IDC_BUZZER_ON 1001
#define IDC_BUZZER_OFF 1002
#define IDC_WRITE_EEPROM 1004
#define IDC_EEPROM_ADDRESS 1005
#define IDC_EEPROM_VALUE 1006
#define IDC_READ_EEPROM 1007
#define IDC_READ_ADDRESS 1008
#define IDC_READ_RESULT 1009
#define IDC_VID 1010
#define IDC_PID 1011
#define IDC_START_MONITOR 1012
#define IDC_SET_GPIO 1015
#define IDC_GPIO_LEVEL 1016
#define IDC_GPIO_MODE 1017
#define IDC_CLEAR 1019
#define IDC_START_KEY_SCAN 1020
#define IDC_STOP_KEY_SCAN 1021
#define IDC_SET_REPORT 1022
#define IDC_KEY_SCAN_SPEED 1023
#define IDC_SCAN_KEY_BUZZER 1024
#define IDC_BUZZER_DURATION 1025
#define IDC_GENERIC_REPORT 1026
#define IDC_REPORT_BYTE1 1027
#define IDC_REPORT_BYTE2 1028
#define IDC_REPORT_BYTE3 1029
#define IDC_REPORT_BYTE4 1030
#define IDC_SET_REPORT_LABEL 1031
#define IDC_BYTE1_LABEL 1032
#define IDC_BYTE2_LABEL 1033
#define IDC_BYTE3_LABEL 1034
#define IDC_BYTE4_LABEL 1035
#define IDC_SET_REPORT_GROUP 1038
#define IDC_SEND_TEXT 1040  // command only: no control carries it
#define IDC_SCAN_MODE 1042
#define IDC_GPIO_PULL_HIGH 1043
#define IDC_KEY_SCAN_SPEED_LABEL 1044
#define IDC_DURATION_LABEL 1045
#define IDC_ADDRESS_LABEL 1046
#define IDC_VALUE_LABEL 1047
#define IDC_LEVEL_LABEL 1048
#define IDC_MODE_LABEL 1049
#define IDC_KEY_SCAN_GROUP 1050
#define IDC_PANEL_GROUP 1051

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
