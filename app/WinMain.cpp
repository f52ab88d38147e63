// The program's entry point: one modal main dialog; the process ends when it closes.

#include "app/CMainDialog.h"
#include "app/resource.h"

#include <commctrl.h>
#include <objbase.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    CoInitialize(nullptr);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);

    INT_PTR nResult;
    {
        CMainDialog dialog;
        nResult = dialog.DoModal(hInstance, IDD_MAIN, GetActiveWindow());
    }

    CoUninitialize();
    return static_cast<int>(nResult); // 1 after Close, Escape or the close box; -1 if the dialog failed
}
