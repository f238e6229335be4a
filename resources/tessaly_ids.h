/* Resource, command and timer numbers of Tessaly.exe, shared by the resource
 * script and the program's logic. Plain macros: windres reads this file too. */
#ifndef TESSALY_IDS_H
#define TESSALY_IDS_H

#define IDD_TESSALY_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_TRAY_MENU 130

#define ID_TRAY_VERSION 32780
#define ID_DISPLAY_OFF 32788
#define ID_DISPLAY_POPUP 32785
#define ID_DISPLAY_ALWAYS 32786
#define ID_TRAY_UNINSTALL 32773
#define ID_TRAY_CLOSE 32772

#define TESSALY_TICK_TIMER 999123
#define TESSALY_TICK_MS 500
#define TESSALY_BALLOON_TIMER 16
#define TESSALY_BALLOON_MS 20

#define TESSALY_VERSION_TEXT "Tessaly 1.14.6.5"
#define TESSALY_VERSION_NUMBERS 1, 14, 6, 5

#endif
