#pragma once

// Resource ids of the progress window.

#define IDD_PROGRESS 201

#define IDC_LOG 1008
#define IDC_CLOSE 1011
#define IDC_STOP 1012

// The size grip that the resize layout adds in the bottom-right corner.
#define ID_SIZE_GRIP 0xE801

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
