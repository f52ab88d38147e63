#include "window/CResizeLayout.h"

void CResizeLayout::Init(HWND hWnd, const RESIZE_ENTRY* pEntries, size_t nEntries)
{
    m_hWnd = hWnd;
    m_items.clear();

    // Children are painted once each after a relayout instead of being painted over.
    const LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    if ((style & WS_CLIPCHILDREN) == 0)
        SetWindowLongPtrA(hWnd, GWL_STYLE, style | WS_CLIPCHILDREN);

    RECT client;
    GetClientRect(hWnd, &client);
    m_sizeReference = {client.right, client.bottom};

    // Given the whole client rectangle, a bottom-right-aligned size box takes the
    // system's grip size in the corner.
    m_bGripAdded = false;
    if (GetDlgItem(hWnd, ID_SIZE_GRIP) == nullptr)
    {
        HWND hWndGrip = CreateWindowExA(
            0, "SCROLLBAR", nullptr,
            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
            client.left, client.top, client.right, client.bottom, hWnd, reinterpret_cast<HMENU>(ID_SIZE_GRIP),
            reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hWnd, GWLP_HINSTANCE)), nullptr);
        if (hWndGrip != nullptr)
        {
            m_bGripAdded = true;
            m_items.push_back({ID_SIZE_GRIP, RESIZE_MOVE_X | RESIZE_MOVE_Y | RESIZE_REPAINT, ClientRectOf(hWndGrip)});
        }
    }

    RECT window;
    GetWindowRect(hWnd, &window);
    m_ptMinTrack = {window.right - window.left, window.bottom - window.top};

    for (size_t i = 0; i < nEntries; ++i)
    {
        HWND hWndControl = GetDlgItem(hWnd, pEntries[i].nId);
        if (hWndControl != nullptr)
            m_items.push_back({pEntries[i].nId, pEntries[i].dwAnchor, ClientRectOf(hWndControl)});
    }
}

void CResizeLayout::OnSize(WPARAM nType, int cx, int cy)
{
    if (m_hWnd == nullptr)
        return;

    // The grip is meaningless on a maximised window.
    if (m_bGripAdded && (nType == SIZE_MAXIMIZED || nType == SIZE_RESTORED))
    {
        ShowWindow(GetDlgItem(m_hWnd, ID_SIZE_GRIP), nType == SIZE_MAXIMIZED ? SW_HIDE : SW_SHOW);
        Relayout(cx, cy);
    }
    else if (nType != SIZE_MINIMIZED)
    {
        Relayout(cx, cy);
    }
}

void CResizeLayout::OnGetMinMaxInfo(MINMAXINFO* pInfo) const
{
    if (m_ptMinTrack.x != -1 && m_ptMinTrack.y != -1)
        pInfo->ptMinTrackSize = m_ptMinTrack;
}

void CResizeLayout::Relayout(int cx, int cy)
{
    const LONG dx = cx - m_sizeReference.cx;
    const LONG dy = cy - m_sizeReference.cy;

    const bool bVisible = IsWindowVisible(m_hWnd) != FALSE;
    if (bVisible)
        SendMessageA(m_hWnd, WM_SETREDRAW, FALSE, 0);

    for (const LAYOUT_ITEM& item : m_items)
    {
        HWND hWndControl = GetDlgItem(m_hWnd, item.nId);
        if (hWndControl == nullptr)
            continue;

        RECT rc = ClientRectOf(hWndControl);
        if (item.dwAnchor & RESIZE_GROW_X)
            rc.right = item.rcInitial.right + dx;
        if (item.dwAnchor & RESIZE_MOVE_X)
        {
            rc.left = item.rcInitial.left + dx;
            rc.right = item.rcInitial.right + dx;
        }
        if (item.dwAnchor & RESIZE_GROW_Y)
            rc.bottom = item.rcInitial.bottom + dy;
        if (item.dwAnchor & RESIZE_MOVE_Y)
        {
            rc.top = item.rcInitial.top + dy;
            rc.bottom = item.rcInitial.bottom + dy;
        }
        if (item.dwAnchor & RESIZE_REPAINT)
            InvalidateRect(hWndControl, nullptr, TRUE);

        SetWindowPos(hWndControl, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    if (bVisible)
        SendMessageA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

RECT CResizeLayout::ClientRectOf(HWND hWndControl) const
{
    RECT rc;
    GetWindowRect(hWndControl, &rc);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
