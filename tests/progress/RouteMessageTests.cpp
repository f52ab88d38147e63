#include <string>

#include <gtest/gtest.h>

#include "progress/CDialog.h"
#include "progress/resource.h"

namespace
{
struct RouteProbe
{
    std::string strCalled;

    LRESULT OnInit(WPARAM, LPARAM) { return Called("init", 5); }
    LRESULT OnCommand100(WPARAM, LPARAM) { return Called("id100", 7); }
    LRESULT OnChange(WPARAM, LPARAM) { return Called("change", 8); }
    LRESULT OnCommand200(WPARAM, LPARAM) { return Called("id200", 9); }
    LRESULT OnSize(WPARAM, LPARAM) { return Called("size", 11); }

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
    {WM_SIZE, ROUTE_ANY, 0, &RouteProbe::OnSize},
};

TEST(RouteMessage, TriesRowsInOrderAndAnswersCommandsWithZero)
{
    struct Case
    {
        const char* name;
        UINT uMsg;
        WPARAM wParam;
        BOOL bHandled;
        const char* called;
        LRESULT result;
    };
    const Case cases[] = {
        {"plain row answers with its handler", WM_INITDIALOG, 0, TRUE, "init", 5},
        {"id row, any code", WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), TRUE, "id100", 0},
        {"id row wins over a later code row", WM_COMMAND, MAKEWPARAM(100, EN_CHANGE), TRUE, "id100", 0},
        {"code row wins over a later id row", WM_COMMAND, MAKEWPARAM(200, EN_CHANGE), TRUE, "change", 0},
        {"id row after a code row", WM_COMMAND, MAKEWPARAM(200, BN_CLICKED), TRUE, "id200", 0},
        {"command of an unknown control", WM_COMMAND, MAKEWPARAM(300, BN_CLICKED), FALSE, "", -1},
        {"id in the high word is not an id", WM_COMMAND, MAKEWPARAM(BN_CLICKED, 100), FALSE, "", -1},
        {"message without a row", WM_PAINT, 0, FALSE, "", -1},
        {"second plain row", WM_SIZE, 0, TRUE, "size", 11},
    };

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        RouteProbe probe;
        LRESULT result = -1;
        EXPECT_EQ(c.bHandled, RouteMessage(&probe, g_routes, c.uMsg, c.wParam, 0, result));
        EXPECT_EQ(c.called, probe.strCalled);
        EXPECT_EQ(c.result, result);
    }
}

// A dialog that answers through the base class's procedure: handled messages other
// than WM_INITDIALOG answer through DWLP_MSGRESULT, unhandled ones get the default.
class CAnswerProbe : public CDialog
{
public:
    LRESULT m_nPrivateAnswer = -1;
    BOOL m_bDefaultTextWorks = FALSE;

protected:
    BOOL OnMessage(UINT uMsg, WPARAM, LPARAM, LRESULT& result) override
    {
        switch (uMsg)
        {
        case WM_INITDIALOG:
        {
            m_nPrivateAnswer = SendMessageA(m_hWnd, WM_APP + 9, 0, 0);
            SetWindowTextA(m_hWnd, "probe");
            char text[16] = {};
            GetWindowTextA(m_hWnd, text, sizeof(text));
            m_bDefaultTextWorks = std::string(text) == "probe";
            EndDialog(m_hWnd, 42);
            result = FALSE;
            return TRUE;
        }
        case WM_APP + 9:
            result = 1234;
            return TRUE;
        default:
            return FALSE;
        }
    }
};

TEST(CDialog, DoModalReturnsTheEndValueAndHandledMessagesAnswerThroughTheResultSlot)
{
    CAnswerProbe probe;
    EXPECT_EQ(42, probe.DoModal(GetModuleHandleA(nullptr), IDD_PROGRESS, nullptr));
    EXPECT_EQ(1234, probe.m_nPrivateAnswer);
    EXPECT_TRUE(probe.m_bDefaultTextWorks);
    EXPECT_EQ(nullptr, probe.m_hWnd);
}

} // namespace
