// Resource, control and timer numbers of the installer. Plain #defines, so the
// resource compiler (windres) and the C++ code read the same names.
#ifndef PELMORA_RESOURCES_PELMORA_IDS_H
#define PELMORA_RESOURCES_PELMORA_IDS_H

// The program's version, in the version record and in the installation log.
#define PELMORA_VERSION_TEXT "2.0.0.0"
#define PELMORA_VERSION_NUMBERS 2, 0, 0, 0

// Dialog template of the wizard window.
#define IDD_PELMORA_DIALOG 102

// Application icon (window icon, big and small).
#define IDI_PELMORA 128

// Pictures: the card printer on blue (shown by no page) and the three steps.
#define IDB_CARD_PRINTER 130
#define IDB_STEP1 132
#define IDB_STEP2 133
#define IDB_STEP3 134

// Controls of the wizard dialog.
#define IDC_HEADER 1012         // header strip (step title)
#define IDC_STATUS 1013         // status line
#define IDC_NEXT 1016           // Next, later Close
#define IDC_CANCEL_BUTTON 1017  // Cancel; its enabled state is the worker's success flag
#define IDC_DETAILS 1018        // details box (multi-line, read-only)
#define IDC_PROGRESS 1019       // progress bar
#define IDC_SCAN 1020           // hidden Scan button
#define IDC_PICTURE 1022        // step picture
#define IDC_LANGUAGE 1024       // language combo box
#define IDC_PORT_USB 1026       // "Local USB port" radio button
#define IDC_PORT_TCPIP 1027     // "TCP/IP Network port" radio button

// The network printer selection dialog.
#define IDD_SELECT_PRINTER 136
#define IDC_PRINTER_COMBO 1028  // editable, sorted list of the printers found
#define IDC_REFRESH 1029        // searches again
#define REFRESH_TIMER 999999    // the first search, 50 ms after opening

// Window timers of the wizard dialog.
#define TIMER_PACKAGE_WAIT 111111
#define TIMER_QUEUE_POLL 999999
#define TIMER_NETWORK_FINISH 222222

// Resource type of the dialog initialisation data (the combo box's items).
#define RT_PELMORA_DLGINIT 240

#endif  // PELMORA_RESOURCES_PELMORA_IDS_H
