#include "window/CDialog.h"

namespace
{
// Messages whose answer is the dialog procedure's return value itself; every other
// handled message answers through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT uMsg)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
} // namespace

INT_PTR CDialog::DoModal(HINSTANCE hInstance, int nResourceId, HWND hWndOwner)
{
    m_hInstance = hInstance;
    return DialogBoxParamA(hInstance, MAKEINTRESOURCEA(nResourceId), hWndOwner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CDialog* pThis;
    if (uMsg == WM_INITDIALOG)
    {
        pThis = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
        pThis->m_hWnd = hWnd;
    }
    else
    {
        // Messages sent before WM_INITDIALOG (WM_SETFONT and others) find no object yet.
        pThis = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        if (pThis == nullptr)
            return FALSE;
    }

    // No exception may unwind through the system's frames: a handler that throws (out
    // of memory while building a text) leaves the message to the default processing.
    LRESULT result = 0;
    BOOL bHandled = FALSE;
    try
    {
        bHandled = pThis->OnMessage(uMsg, wParam, lParam, result);
    }
    catch (...)
    {
        bHandled = FALSE;
    }

    if (uMsg == WM_NCDESTROY)
    {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        pThis->m_hWnd = nullptr;
    }

    if (!bHandled)
        return FALSE;
    if (ReturnsResultDirectly(uMsg))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
