#include <gtest/gtest.h>

#include "progress/WindowUtil.h"

namespace
{
constexpr int TEST_ICON_ID = 128; // TestResources.rc

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

HWND CreatePopup(HWND hWndOwner, int x, int y, int cx, int cy, DWORD dwStyle)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | dwStyle, x, y, cx, cy, hWndOwner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(CenterWindow, CentresOverAVisibleOwnerElseOverTheWorkAreaAndStaysInside)
{
    const RECT area = WorkArea();
    constexpr int WIDTH = 201, HEIGHT = 101; // odd, so the halves truncate

    enum OWNER_STATE
    {
        OWNER_VISIBLE,
        OWNER_HIDDEN,
        OWNER_MINIMIZED,
    };
    struct Case
    {
        const char* name;
        RECT owner;
        OWNER_STATE state;
        LONG left, top; // expected
    };
    const LONG workLeft = (area.left + area.right) / 2 - WIDTH / 2;
    const LONG workTop = (area.top + area.bottom) / 2 - HEIGHT / 2;
    const Case cases[] = {
        {"over the owner, halves truncated", {101, 100, 500, 401}, OWNER_VISIBLE, 300 - 100, 250 - 50},
        {"hidden owner: work area", {101, 100, 500, 401}, OWNER_HIDDEN, workLeft, workTop},
        {"minimised owner: work area", {101, 100, 500, 401}, OWNER_MINIMIZED, workLeft, workTop},
        {"owner past the top-left corner",
         {area.left - 300, area.top - 300, area.left + 20, area.top + 20},
         OWNER_VISIBLE,
         area.left,
         area.top},
        {"owner past the bottom-right corner",
         {area.right - 20, area.bottom - 20, area.right + 300, area.bottom + 300},
         OWNER_VISIBLE,
         area.right - WIDTH,
         area.bottom - HEIGHT},
    };

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        HWND hWndOwner = CreatePopup(nullptr, c.owner.left, c.owner.top, c.owner.right - c.owner.left,
                                     c.owner.bottom - c.owner.top, c.state == OWNER_HIDDEN ? 0 : WS_VISIBLE);
        ASSERT_NE(nullptr, hWndOwner);
        if (c.state == OWNER_MINIMIZED)
        {
            ShowWindow(hWndOwner, SW_MINIMIZE);
            ASSERT_TRUE(IsIconic(hWndOwner));
        }
        HWND hWnd = CreatePopup(hWndOwner, 7, 9, WIDTH, HEIGHT, 0);
        ASSERT_NE(nullptr, hWnd);

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

// The width of an icon's image.
LONG IconWidth(LPARAM hIcon)
{
    ICONINFO info = {};
    if (hIcon == 0 || !GetIconInfo(reinterpret_cast<HICON>(hIcon), &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectA(info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

TEST(SetDialogIcons, GivesTheBigAndSmallIconsAtTheirSystemSizesAndSkipsAMissingIcon)
{
    HWND hWnd = CreateWindowExA(0, "#32770", "", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hWnd);

    SetDialogIcons(hWnd, GetModuleHandleA(nullptr), TEST_ICON_ID);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), IconWidth(SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0)));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), IconWidth(SendMessageA(hWnd, WM_GETICON, ICON_SMALL, 0)));

    DestroyDialogIcons(hWnd);
    SetDialogIcons(hWnd, GetModuleHandleA(nullptr), TEST_ICON_ID + 77);
    EXPECT_EQ(0, SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(0, SendMessageA(hWnd, WM_GETICON, ICON_SMALL, 0));
    DestroyWindow(hWnd);
}
} // namespace
