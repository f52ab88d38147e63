#include <new>
#include <string>

#include <gtest/gtest.h>

#include "progress/resource.h"
#include "window/CDialog.h"

namespace
{
struct RouteProbe
{
    std::string strCalled;

    LRESULT OnInit(WPARAM, LPARAM) { return Called("init", 5); }
    LRESULT OnCommand100(WPARAM, LPARAM) { return Called("id100", 7); }
    LRESULT OnChange(WPARAM, LPARAM) { return Called("change", 8); }
    LRESULT OnCommand200(WPARAM, LPARAM) { return Called("id200", 9); }

    LRESULT Called(const char* name, LRESULT result)
    {
        strCalled = name;
        return result;
    }
};

const DIALOG_ROUTE<RouteProbe> g_routes[] = {
    {WM_INITDIALOG, ROUTE_ANY, 0, &RouteProbe::OnInit},
    {WM_COMMAND, ROUTE_COMMAND_ID, 100, &RouteProbe::OnCommand100},
    {WM_COMMAND, ROUTE_COMMAND_CODE, EN_CHANGE, &RouteProbe::OnChange},
    {WM_COMMAND, ROUTE_COMMAND_ID, 200, &RouteProbe::OnCommand200},
};

TEST(RouteMessage, TriesRowsInOrderAndAnswersCommandsWithZero)
{
    const struct
    {
        const char* name;
        UINT uMsg;
        WPARAM wParam;
        const char* called; // "" when no row matches
        LRESULT result;
    } cases[] = {
        {"plain row answers with its handler", WM_INITDIALOG, 0, "init", 5},
        {"id row, any code", WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), "id100", 0},
        {"id row wins over a later code row", WM_COMMAND, MAKEWPARAM(100, EN_CHANGE), "id100", 0},
        {"code row wins over a later id row", WM_COMMAND, MAKEWPARAM(200, EN_CHANGE), "change", 0},
        {"id row after a code row", WM_COMMAND, MAKEWPARAM(200, BN_CLICKED), "id200", 0},
        {"id in the high word is not an id", WM_COMMAND, MAKEWPARAM(BN_CLICKED, 100), "", -1},
        {"message without a row", WM_PAINT, 0, "", -1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        RouteProbe probe;
        LRESULT result = -1;
        EXPECT_EQ(c.called[0] != '\0', RouteMessage(&probe, g_routes, c.uMsg, c.wParam, 0, result) != FALSE);
        EXPECT_EQ(c.called, probe.strCalled);
        EXPECT_EQ(c.result, result);
    }
}
} // namespace

namespace
{
// A dialog whose handler throws: the exception must stop at the dialog procedure,
// leaving the message to the default processing, and the dialog keeps working.
class CThrowingDialog : public CDialog
{
protected:
    BOOL OnMessage(UINT uMsg, WPARAM, LPARAM, LRESULT& result) override
    {
        switch (uMsg)
        {
        case WM_INITDIALOG:
            PostMessageA(m_hWnd, WM_APP_THROW, 0, 0);
            PostMessageA(m_hWnd, WM_APP_END, 0, 0);
            result = FALSE;
            return TRUE;
        case WM_APP_THROW:
            throw std::bad_alloc();
        case WM_APP_END:
            EndDialog(m_hWnd, 42);
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    static constexpr UINT WM_APP_THROW = WM_APP + 50;
    static constexpr UINT WM_APP_END = WM_APP + 51;
};

TEST(CDialog, AHandlerThatThrowsDoesNotEndTheDialogOrTheProcess)
{
    CThrowingDialog dialog;
    EXPECT_EQ(42, dialog.DoModal(GetModuleHandleA(nullptr), IDD_PROGRESS, nullptr));
}
} // namespace
