#pragma once

// Resource ids of the program. The progress window's ids (IDD_PROGRESS, IDC_CLOSE,
// IDC_LOG, IDC_STOP) come from its own header; the main dialog shares IDC_CLOSE.

#include "progress/resource.h"

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_MAIN 9

#define IDI_APP 128

#define IDS_APP_TITLE 128
#define IDS_OPEN_FILTER 129

// Controls of the main dialog.
#define IDC_SOURCE 1002
#define IDC_MODE_FILE 1003
#define IDC_MODE_DIRECTORY 1004
#define IDC_BROWSE_SOURCE 1005
#define IDC_EXTRACT 1006
#define IDC_OVERWRITE 1007
#define IDC_DESTINATION 1008
#define IDC_BROWSE_DESTINATION 1009
#define IDC_PASSWORD 1010
