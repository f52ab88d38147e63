#pragma once

// Reading and driving the windows of another process through messages alone, the way
// a user's input reaches them. Every call that waits has a time limit, so a program
// that hangs fails a test instead of blocking it.

#include <functional>
#include <string>

#include <windows.h>

// Polls `condition` every 10 ms until it holds or `timeoutMs` has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The first visible top-level window of process `processId` that `match` accepts, or null.
HWND FindVisibleWindow(DWORD processId, const std::function<bool(HWND)>& match);

// The first visible top-level window owned by `hWndOwner`, or null.
HWND FindOwnedWindow(HWND hWndOwner);

// A window's text with one WM_GETTEXT into a large buffer: asking for the length first
// races with a title that changes in between.
std::string RemoteText(HWND hWnd);
std::string RemoteItemText(HWND hWndDialog, int nId);

// WM_SETTEXT on a control; the edit's EN_CHANGE reaches its dialog before this returns.
bool SetRemoteItemText(HWND hWndDialog, int nId, const std::string& text);

// Sends BM_CLICK, for buttons that open nothing modal (a radio, a check box).
bool SendClick(HWND hWndDialog, int nId);
// Posts BM_CLICK, for buttons whose handler runs a modal loop (Extract).
bool PostClick(HWND hWndDialog, int nId);

bool IsItemEnabled(HWND hWndDialog, int nId);
bool IsItemChecked(HWND hWndDialog, int nId);
