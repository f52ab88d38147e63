#include <gtest/gtest.h>

#include "window/WindowUtil.h"

namespace
{
HWND CreatePopup(HWND hWndOwner, const RECT& rc, DWORD dwStyle)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | dwStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           hWndOwner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(CenterWindow, CentresOverAVisibleOwnerElseOverTheWorkAreaAndStaysInside)
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    constexpr int WIDTH = 201, HEIGHT = 101; // odd, so the halves truncate
    const LONG workLeft = (area.left + area.right) / 2 - WIDTH / 2;
    const LONG workTop = (area.top + area.bottom) / 2 - HEIGHT / 2;
    const struct
    {
        const char* name;
        RECT owner;
        int nShow; // SW_HIDE, SW_SHOWNOACTIVATE or SW_MINIMIZE
        LONG left, top;
    } cases[] = {
        {"over the owner, halves truncated", {101, 100, 500, 401}, SW_SHOWNOACTIVATE, 300 - 100, 250 - 50},
        {"hidden owner: work area", {101, 100, 500, 401}, SW_HIDE, workLeft, workTop},
        {"minimised owner: work area", {101, 100, 500, 401}, SW_MINIMIZE, workLeft, workTop},
        {"owner past the top-left corner",
         {area.left - 300, area.top - 300, area.left + 20, area.top + 20},
         SW_SHOWNOACTIVATE,
         area.left,
         area.top},
        {"owner past the bottom-right corner",
         {area.right - 20, area.bottom - 20, area.right + 300, area.bottom + 300},
         SW_SHOWNOACTIVATE,
         area.right - WIDTH,
         area.bottom - HEIGHT},
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        HWND hWndOwner = CreatePopup(nullptr, c.owner, 0);
        ShowWindow(hWndOwner, c.nShow);
        ASSERT_EQ(IsIconic(hWndOwner) != FALSE, c.nShow == SW_MINIMIZE);
        HWND hWnd = CreatePopup(hWndOwner, {7, 9, 7 + WIDTH, 9 + HEIGHT}, 0);

        CenterWindow(hWnd);

        RECT rc;
        GetWindowRect(hWnd, &rc);
        EXPECT_EQ(c.left, rc.left);
        EXPECT_EQ(c.top, rc.top);
        EXPECT_EQ(WIDTH, rc.right - rc.left);
        EXPECT_EQ(HEIGHT, rc.bottom - rc.top);
        DestroyWindow(hWnd);
        DestroyWindow(hWndOwner);
    }
}
} // namespace
