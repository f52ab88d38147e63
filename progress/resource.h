#pragma once

// Resource ids of the progress window.

#define IDD_PROGRESS 201

#define IDC_LOG 1013
#define IDC_CLOSE 1011
#define IDC_STOP 1012
#define IDC_PROGRESS_BAR 1014
#define IDC_PROGRESS_TEXT 1015

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
