#include "window/WindowUtil.h"

void CenterWindow(HWND hWnd)
{
    RECT window;
    GetWindowRect(hWnd, &window);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;

    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

    RECT reference = area;
    HWND hWndOwner = GetWindow(hWnd, GW_OWNER);
    if (hWndOwner != nullptr && IsWindowVisible(hWndOwner) && !IsIconic(hWndOwner))
        GetWindowRect(hWndOwner, &reference);

    LONG left = (reference.left + reference.right) / 2 - width / 2;
    LONG top = (reference.top + reference.bottom) / 2 - height / 2;

    if (left < area.left)
        left = area.left;
    else if (left + width > area.right)
        left = area.right - width;
    if (top < area.top)
        top = area.top;
    else if (top + height > area.bottom)
        top = area.bottom - height;

    SetWindowPos(hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetDialogIcons(HWND hWnd, HINSTANCE hInstance, int nIconId)
{
    struct ICON_SIZE
    {
        int nMetricX;
        int nMetricY;
        WPARAM nWhich;
    };
    static const ICON_SIZE sizes[] = {
        {SM_CXICON, SM_CYICON, ICON_BIG},
        {SM_CXSMICON, SM_CYSMICON, ICON_SMALL},
    };

    for (const ICON_SIZE& size : sizes)
    {
        // Not LR_SHARED: a shared icon may come back at the size it was first loaded at.
        HANDLE hIcon = LoadImageA(hInstance, MAKEINTRESOURCEA(nIconId), IMAGE_ICON, GetSystemMetrics(size.nMetricX),
                                  GetSystemMetrics(size.nMetricY), LR_DEFAULTCOLOR);
        if (hIcon != nullptr)
            SendMessageA(hWnd, WM_SETICON, size.nWhich, reinterpret_cast<LPARAM>(hIcon));
    }
}

void DestroyDialogIcons(HWND hWnd)
{
    static const WPARAM kinds[] = {ICON_BIG, ICON_SMALL};
    for (WPARAM nWhich : kinds)
    {
        HICON hIcon = reinterpret_cast<HICON>(SendMessageA(hWnd, WM_SETICON, nWhich, 0));
        if (hIcon != nullptr)
            DestroyIcon(hIcon);
    }
}
