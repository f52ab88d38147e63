#pragma once

// The progress shown on a window's taskbar button (ITaskbarList3), where the system
// offers it. Owns the one interface pointer. Where the interface is missing (older
// systems, some emulators) every call does nothing: the button is an extra, never a
// reason to fail.
//
// Notes: create and use it on the window's thread; it initialises COM there for its
// own lifetime.

#include <windows.h>

struct ITaskbarList3;

class CTaskbarProgress
{
public:
    explicit CTaskbarProgress(HWND hWnd);
    ~CTaskbarProgress();

    CTaskbarProgress(const CTaskbarProgress&) = delete;
    CTaskbarProgress& operator=(const CTaskbarProgress&) = delete;

    // An indeterminate (counting) state.
    void SetIndeterminate();
    // nDone of nTotal, in the normal state.
    void SetValue(ULONGLONG nDone, ULONGLONG nTotal);
    // No progress on the button.
    void Clear();

private:
    HWND m_hWnd;
    ITaskbarList3* m_pTaskbar = nullptr;
    bool m_bComInitialized = false;
};
