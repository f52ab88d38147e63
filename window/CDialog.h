#pragma once

// A modal dialog bound to a dialog resource. A derived class answers OnMessage,
// usually by handing the message to RouteMessage with its own routing table.

#include <cstddef>

#include "platform/Kernel32.h"

// How a routing row matches a message.
enum ROUTE_KIND
{
    ROUTE_ANY,          // every message of that type
    ROUTE_COMMAND_ID,   // WM_COMMAND from one control id, whatever its notification code
    ROUTE_COMMAND_CODE, // WM_COMMAND with one notification code, from any control
};

template <class T> struct DIALOG_ROUTE
{
    UINT uMsg;
    ROUTE_KIND kind;
    UINT nMatch; // control id or notification code; unused for ROUTE_ANY
    LRESULT (T::*pfnHandler)(WPARAM wParam, LPARAM lParam);
};

// Tries the rows in order and calls the first that matches. A matched WM_COMMAND
// always answers 0, whatever its handler returns. Returns FALSE when no row matched,
// so that the message gets the dialog's default processing.
template <class T, size_t N>
BOOL RouteMessage(T* pThis, const DIALOG_ROUTE<T> (&routes)[N], UINT uMsg, WPARAM wParam, LPARAM lParam,
                  LRESULT& result)
{
    for (const DIALOG_ROUTE<T>& route : routes)
    {
        if (route.uMsg != uMsg)
            continue;
        if (route.kind == ROUTE_COMMAND_ID && LOWORD(wParam) != route.nMatch)
            continue;
        if (route.kind == ROUTE_COMMAND_CODE && HIWORD(wParam) != route.nMatch)
            continue;
        result = (pThis->*route.pfnHandler)(wParam, lParam);
        if (uMsg == WM_COMMAND)
            result = 0;
        return TRUE;
    }
    return FALSE;
}

class CDialog
{
public:
    CDialog() = default;
    virtual ~CDialog() = default;

    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog from resource nResourceId and runs its modal loop. Returns the
    // value given to EndDialog, or -1 when the dialog could not be created.
    INT_PTR DoModal(HINSTANCE hInstance, int nResourceId, HWND hWndOwner);

    // The dialog's window from WM_INITDIALOG until it is destroyed; NULL otherwise.
    HWND m_hWnd = nullptr;

protected:
    // One message for the derived class. Return TRUE when handled and put the
    // message's answer in result; FALSE gives the message default processing.
    virtual BOOL OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // The module the dialog resource came from, valid from WM_INITDIALOG on.
    HINSTANCE m_hInstance = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};
