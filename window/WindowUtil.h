#pragma once

// Small window helpers shared by the program's dialogs.

#include "platform/Kernel32.h"

// Centres hWnd over its owner when the owner is visible and not minimised, otherwise
// over the desktop work area, then pulls it back inside the work area. The window
// keeps its size, Z-order and activation.
void CenterWindow(HWND hWnd);

// Gives hWnd the icon nIconId of hInstance as its big and small icon, each loaded at
// the system's size for it; a size that fails to load is skipped.
void SetDialogIcons(HWND hWnd, HINSTANCE hInstance, int nIconId);

// Takes back the icons that SetDialogIcons gave hWnd and destroys them; for WM_DESTROY.
void DestroyDialogIcons(HWND hWnd);
